#include "report/outputs/HaruInternals.h"

#include "table/Failure.h"

#include <hpdf.h>
#include <hpdf_conf.h>

#include <algorithm>
#include <cstring>

// Every structure and internal call below was read from libharu 2.3.0. Before allowing another
// version here, read its hpdf_pages.h, hpdf_objects.h, hpdf_streams.h and hpdf_fontdef.h again
// and run HaruInternalsTest.
#if HPDF_VERSION_ID != 20300
#error "HaruInternals.cpp was written against libharu 2.3.0's private structures"
#endif

namespace quorvel::report::haru {

namespace {

HPDF_Doc doc(Handle h) { return static_cast<HPDF_Doc>(h); }

HPDF_PageAttr pageAttr(Handle page) { return static_cast<HPDF_PageAttr>(static_cast<HPDF_Dict>(page)->attr); }

} // namespace

const char* expectedVersion() { return HPDF_VERSION_TEXT; }

const char* libraryVersion() { return HPDF_GetVersion(); }

void checkLibrary()
{
    if (std::strcmp(libraryVersion(), expectedVersion()) != 0)
        throw Failure(QStringLiteral("The PDF library in use is libharu %1; this program was built for libharu %2.")
                          .arg(QString::fromLatin1(libraryVersion()), QString::fromLatin1(expectedVersion())));
}

bool writeContent(Handle pdf, Handle page, const char* data, std::size_t size)
{
    HPDF_PageAttr attr = pageAttr(page);
    if (HPDF_Stream_Size(attr->stream) == 0 && size < HPDF_STREAM_BUF_SIZ) {
        HPDF_Stream fitted = HPDF_MemStream_New(doc(pdf)->mmgr, static_cast<HPDF_UINT>(std::max<std::size_t>(size, 64)));
        if (!fitted)
            return false;
        HPDF_Stream_Free(attr->contents->stream);
        attr->contents->stream = fitted;
        attr->stream = fitted;
    }
    return HPDF_Stream_Write(attr->stream, reinterpret_cast<const HPDF_BYTE*>(data), static_cast<HPDF_UINT>(size)) == HPDF_OK;
}

const char* fontName(Handle page, Handle font)
{
    return HPDF_Page_GetLocalFontName(static_cast<HPDF_Page>(page), static_cast<HPDF_Font>(font));
}

const char* xObjectName(Handle page, Handle xObject)
{
    return HPDF_Page_GetXObjectName(static_cast<HPDF_Page>(page), static_cast<HPDF_XObject>(xObject));
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

Handle newForm(Handle pdf, const std::array<int, 4>& bbox, Handle resources, const char* content, std::size_t size)
{
    HPDF_Doc d = doc(pdf);
    HPDF_Dict form = HPDF_DictStream_New(d->mmgr, d->xref);
    if (!form)
        return nullptr;
    // A stream sized to its content: the default buffer is several times a symbol's size.
    HPDF_Stream_Free(form->stream);
    form->stream = HPDF_MemStream_New(d->mmgr, static_cast<HPDF_UINT>(std::max<std::size_t>(size, 64)));
    if (!form->stream)
        return nullptr;
    // What HPDF_Page_GetXObjectName and HPDF_Page_ExecuteXObject take for an XObject.
    form->header.obj_class |= HPDF_OSUBCLASS_XOBJECT;
    HPDF_Array box = HPDF_Array_New(d->mmgr);
    if (HPDF_Dict_AddName(form, "Subtype", "Form") != HPDF_OK || !box || HPDF_Dict_Add(form, "BBox", box) != HPDF_OK)
        return nullptr;
    for (int v : bbox)
        if (HPDF_Array_AddNumber(box, v) != HPDF_OK)
            return nullptr;
    if (HPDF_Dict_Add(form, "Resources", static_cast<HPDF_Dict>(resources)) != HPDF_OK)
        return nullptr;
    if (HPDF_Stream_Write(form->stream, reinterpret_cast<const HPDF_BYTE*>(content), static_cast<HPDF_UINT>(size)) != HPDF_OK)
        return nullptr;
    return form;
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
