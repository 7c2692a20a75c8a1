#include "report/outputs/HaruInternals.h"

#include "report/outputs/Spool.h"
#include "table/Failure.h"

#include <hpdf.h>
#include <hpdf_conf.h>
#include <hpdf_pages.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>
#include <string_view>
#include <vector>

// Every structure and internal call below was read from libharu 2.3.0. Before allowing another
// version here, read its hpdf_pages.h, hpdf_objects.h, hpdf_streams.h and hpdf_fontdef.h again
// and run HaruInternalsTest.
#if HPDF_VERSION_ID != 20300
#error "HaruInternals.cpp was written against libharu 2.3.0's private structures"
#endif

namespace quorvel::report::haru {

namespace {

HPDF_Doc doc(Handle h) { return static_cast<HPDF_Doc>(h); }


} // namespace

const char* expectedVersion() { return HPDF_VERSION_TEXT; }

const char* libraryVersion() { return HPDF_GetVersion(); }

void checkLibrary()
{
    if (std::strcmp(libraryVersion(), expectedVersion()) != 0)
        throw Failure(QStringLiteral("The PDF library in use is libharu %1; this program was built for libharu %2.")
                          .arg(QString::fromLatin1(libraryVersion()), QString::fromLatin1(expectedVersion())));
}

namespace {

unsigned objectNumber(const void* object) { return static_cast<const HPDF_Obj_Header*>(object)->obj_id & 0x00FFFFFF; }

// An object written by us in full: libharu knows it as a dictionary without entries, whose write
// hooks put out its keys and, for a stream, then its bytes from the spool. A few dozen bytes of
// memory until the save, where a libharu page or stream costs kilobytes.
struct Written
{
    enum class Kind : std::uint8_t { Form, Contents, Page, Resources };
    Kind kind = Kind::Contents;
    HPDF_Stream out = nullptr;       ///< the document being saved, between the two hooks
    // A stream's bytes.
    Spool* spool = nullptr;
    std::uint64_t at = 0;
    HPDF_UINT size = 0;
    // A form's box; a page's size where it differs from the document's (else 0 by 0).
    std::array<int, 4> bbox{};
    float width = 0, height = 0;
    // A form's or page's resources, a page's node and contents.
    HPDF_Dict resources = nullptr, parent = nullptr, contents = nullptr;
    // The shared resources' fonts and XObjects, by object number, in the order added.
    std::vector<unsigned> fonts, xObjects;
};

Written* written(HPDF_Dict d) { return static_cast<Written*>(d->attr); }

HPDF_STATUS put(HPDF_Stream out, std::string_view text)
{
    return HPDF_Stream_Write(out, reinterpret_cast<const HPDF_BYTE*>(text.data()), static_cast<HPDF_UINT>(text.size()));
}

/// A real as PDF takes it: at most five decimals, no trailing zeros.
std::string real(float v)
{
    char text[48];
    std::snprintf(text, sizeof text, "%.5f", static_cast<double>(v));
    std::string r = text;
    while (!r.empty() && r.back() == '0')
        r.pop_back();
    if (!r.empty() && r.back() == '.')
        r.pop_back();
    return r == "-0" ? "0" : r;
}

HPDF_STATUS writeKeys(HPDF_Dict d, HPDF_Stream out)
{
    Written* w = written(d);
    w->out = out;
    std::string keys;
    char text[160];
    switch (w->kind) {
    case Written::Kind::Form:
        std::snprintf(text, sizeof text, "/Subtype /Form/BBox[%d %d %d %d]/Resources %u 0 R/Length %u\012",
                      w->bbox[0], w->bbox[1], w->bbox[2], w->bbox[3], objectNumber(w->resources), w->size);
        keys = text;
        break;
    case Written::Kind::Contents:
        std::snprintf(text, sizeof text, "/Length %u\012", w->size);
        keys = text;
        break;
    case Written::Kind::Page:
        // Keys run on without line breaks: on a roll, every byte here is repeated per label.
        std::snprintf(text, sizeof text, "/Type /Page/Parent %u 0 R", objectNumber(w->parent));
        keys = text;
        if (w->width > 0)
            keys += "/MediaBox[0 0 " + real(w->width) + ' ' + real(w->height) + ']';
        if (w->resources) {
            std::snprintf(text, sizeof text, "/Resources %u 0 R", objectNumber(w->resources));
            keys += text;
        }
        std::snprintf(text, sizeof text, "/Contents %u 0 R\012", objectNumber(w->contents));
        keys += text;
        break;
    case Written::Kind::Resources: {
        keys = "/ProcSet [ /PDF /Text /ImageB /ImageC /ImageI ]\012";
        const auto list = [&](const char* key, char prefix, const std::vector<unsigned>& objects) {
            if (objects.empty())
                return;
            keys += key;
            keys += " <<\012";
            for (std::size_t i = 0; i < objects.size(); ++i) {
                std::snprintf(text, sizeof text, "/%c%zu %u 0 R\012", prefix, i + 1, objects[i]);
                keys += text;
            }
            keys += ">>\012";
        };
        list("/Font", 'F', w->fonts);
        list("/XObject", 'X', w->xObjects);
        break;
    }
    }
    return put(out, keys);
}

HPDF_STATUS writeStream(HPDF_Dict d)
{
    Written* w = written(d);
    if (w->kind != Written::Kind::Form && w->kind != Written::Kind::Contents)
        return HPDF_OK;
    HPDF_STATUS ret = put(w->out, "\012stream\015\012");
    HPDF_BYTE chunk[HPDF_STREAM_BUF_SIZ];
    for (HPDF_UINT done = 0; ret == HPDF_OK && done < w->size;) {
        const HPDF_UINT part = std::min<HPDF_UINT>(w->size - done, sizeof chunk);
        if (!w->spool->read(w->at + done, reinterpret_cast<char*>(chunk), part))
            return HPDF_SetError(w->out->error, HPDF_FILE_IO_ERROR, 0);
        ret = HPDF_Stream_Write(w->out, chunk, part);
        done += part;
    }
    if (ret == HPDF_OK)
        ret = put(w->out, "\012endstream");
    w->out = nullptr;
    return ret;
}

void freeWritten(HPDF_Dict d)
{
    delete written(d);
    d->attr = nullptr;
}

/// A new object of ours, in the cross references (which own it from then on, even when adding
/// it fails); nullptr when libharu refused.
HPDF_Dict newWritten(HPDF_Doc d, Written::Kind kind, HPDF_UINT16 subclass)
{
    HPDF_Dict object = HPDF_Dict_New(d->mmgr);
    if (!object)
        return nullptr;
    auto* w = new (std::nothrow) Written;
    if (!w) {
        HPDF_Dict_Free(object);
        return nullptr;
    }
    w->kind = kind;
    object->attr = w;
    object->free_fn = freeWritten;
    object->write_fn = writeKeys;
    object->after_write_fn = writeStream;
    object->header.obj_class |= subclass;
    if (HPDF_Xref_Add(d->xref, object) != HPDF_OK)
        return nullptr;
    return object;
}

HPDF_Dict newSpooled(HPDF_Doc d, Written::Kind kind, HPDF_UINT16 subclass, Spool& spool, std::uint64_t at, std::size_t size)
{
    if (size > 0x7fffffff)
        return nullptr;
    HPDF_Dict object = newWritten(d, kind, subclass);
    if (object) {
        Written* w = written(object);
        w->spool = &spool;
        w->at = at;
        w->size = static_cast<HPDF_UINT>(size);
    }
    return object;
}

struct SaveTarget
{
    Writer write;
    void* context;
};

HPDF_STATUS writeSaved(HPDF_Stream s, const HPDF_BYTE* data, HPDF_UINT size)
{
    auto* target = static_cast<SaveTarget*>(s->attr);
    if (!target->write(target->context, reinterpret_cast<const char*>(data), size))
        return HPDF_SetError(s->error, HPDF_FILE_IO_ERROR, 0);
    return HPDF_OK;
}

unsigned addResource(Handle resources, Handle object, std::vector<unsigned> Written::*list)
{
    if (!resources || !object)
        return 0;
    Written* w = written(static_cast<HPDF_Dict>(resources));
    try {
        (w->*list).push_back(objectNumber(object));
    } catch (...) {
        return 0;
    }
    return static_cast<unsigned>((w->*list).size());
}

} // namespace

Handle newPageResources(Handle pdf) { return newWritten(doc(pdf), Written::Kind::Resources, 0); }

unsigned addFont(Handle resources, Handle font) { return addResource(resources, font, &Written::fonts); }

unsigned addXObject(Handle resources, Handle xObject) { return addResource(resources, xObject, &Written::xObjects); }

PageTree::PageTree(Handle doc, unsigned pagesPerNode) : m_doc(doc), m_perNode(std::max(pagesPerNode, 1u)) {}

bool PageTree::add(Handle resources, double widthPt, double heightPt, Spool& spool, std::uint64_t at, std::size_t size)
{
    HPDF_Doc d = doc(m_doc);
    const auto width = static_cast<float>(widthPt), height = static_cast<float>(heightPt);
    if (!m_node || m_inNode == m_perNode) {
        m_node = HPDF_Pages_New(d->mmgr, d->root_pages, d->xref);
        if (!m_node)
            return false;
        m_inNode = 0;
    }
    if (!m_sized) {
        // The first page's size and resources are the document's, inherited by every page
        // that has the same: the pages of a run all do.
        const HPDF_Box box{0, 0, width, height};
        if (HPDF_Dict_Add(d->root_pages, "MediaBox", HPDF_Box_Array_New(d->mmgr, box)) != HPDF_OK
            || HPDF_Dict_Add(d->root_pages, "Resources", resources) != HPDF_OK)
            return false;
        m_sized = true;
        m_width = width;
        m_height = height;
        m_resources = resources;
    }
    HPDF_Dict contents = newSpooled(d, Written::Kind::Contents, 0, spool, at, size);
    HPDF_Dict page = contents ? newWritten(d, Written::Kind::Page, HPDF_OSUBCLASS_PAGE) : nullptr;
    if (!page)
        return false;
    Written* w = written(page);
    w->parent = static_cast<HPDF_Dict>(m_node);
    w->resources = resources == m_resources ? nullptr : static_cast<HPDF_Dict>(resources);
    w->contents = contents;
    if (width != static_cast<float>(m_width) || height != static_cast<float>(m_height)) {
        w->width = width;
        w->height = height;
    }
    auto kids = static_cast<HPDF_Array>(HPDF_Dict_GetItem(static_cast<HPDF_Dict>(m_node), "Kids", HPDF_OCLASS_ARRAY));
    if (!kids || HPDF_Array_Add(kids, page) != HPDF_OK)
        return false;
    ++m_inNode;
    return true;
}

Handle newFormResources(Handle pdf, Handle font)
{
    HPDF_Doc d = doc(pdf);
    HPDF_Dict resources = HPDF_Dict_New(d->mmgr);
    if (!resources || HPDF_Xref_Add(d->xref, resources) != HPDF_OK)
        return nullptr;
    if (font) {
        HPDF_Dict fonts = HPDF_Dict_New(d->mmgr);
        if (!fonts || HPDF_Dict_Add(resources, "Font", fonts) != HPDF_OK
            || HPDF_Dict_Add(fonts, "F0", static_cast<HPDF_Font>(font)) != HPDF_OK)
            return nullptr;
    }
    return resources;
}

Handle newForm(Handle pdf, const std::array<int, 4>& bbox, Handle resources, Spool& spool, std::uint64_t at,
               std::size_t size)
{
    // XObject: what the PDF writer's pictures are too.
    HPDF_Dict form = newSpooled(doc(pdf), Written::Kind::Form, HPDF_OSUBCLASS_XOBJECT, spool, at, size);
    if (form) {
        written(form)->bbox = bbox;
        written(form)->resources = static_cast<HPDF_Dict>(resources);
    }
    return form;
}

bool save(Handle pdf, Writer write, void* context)
{
    HPDF_Doc d = doc(pdf);
    SaveTarget target{write, context};
    HPDF_Stream out = HPDF_CallbackWriter_New(d->mmgr, writeSaved, &target);
    if (!out)
        return false;
    // HPDF_SaveToStream writes into the document's own stream: ours hands the bytes on.
    HPDF_Stream_Free(d->stream);
    d->stream = out;
    const bool saved = HPDF_SaveToStream(d) == HPDF_OK;
    HPDF_Stream_Free(d->stream);
    d->stream = nullptr;
    return saved;
}

std::array<char*, 2> fontDefinitionNames(Handle pdf, const char* loadedName)
{
    HPDF_FontDef def = loadedName ? HPDF_GetFontDef(doc(pdf), loadedName) : nullptr;
    if (!def)
        return {nullptr, nullptr};
    char* attrName = nullptr;
    if (def->type == HPDF_FONTDEF_TYPE_TRUETYPE && def->attr)
        attrName = static_cast<HPDF_TTFontDefAttr>(def->attr)->base_font;
    return {def->base_font, attrName};
}

} // namespace quorvel::report::haru
