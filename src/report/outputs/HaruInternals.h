// The one place where the PDF writer reaches past libharu's public calls, which offer no way to
// write prepared operators into a page, to make a form XObject, to keep a stream's bytes out of
// memory, or to save without a copy of the whole file in memory. Written against the structures
// of libharu 2.3.0: the build refuses other headers, checkLibrary() refuses another library at
// run time, and HaruInternalsTest proves each function on the library in use.
//
// Handles are libharu's public ones (void*), so callers can keep to its public header.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quorvel::report {
class Spool;
}

namespace quorvel::report::haru {

using Handle = void*;

/// The version of libharu these functions were written for, and the one in use.
const char* expectedVersion();
const char* libraryVersion();

/// Throws Failure naming both versions when the libharu in use is not the expected one.
void checkLibrary();

/// The resources every page shares, one object: the fonts and XObjects (forms and pictures)
/// added to it, named "F1", "F2" ... and "X1", "X2" ... in the order added; nullptr when libharu
/// refused.
Handle newPageResources(Handle doc);
/// Adds `font` or `xObject` to those resources and returns the number in its name ("F3": 3);
/// 0 when it cannot be added.
unsigned addFont(Handle resources, Handle font);
unsigned addXObject(Handle resources, Handle xObject);

/// The document's pages, each one small object of ours rather than a libharu page: its contents
/// are bytes waiting in a spool; its size and resources are given once for the document and
/// again only where a page differs. Pages hang `pagesPerNode` to a node of the
/// page tree, so a run of any length fits libharu's array limits.
class PageTree
{
public:
    PageTree(Handle doc, unsigned pagesPerNode);
    /// Appends a page of `widthPt` x `heightPt` drawing the `size` bytes at `at` in `spool`.
    /// False when libharu refused; its error is then recorded in the document.
    bool add(Handle resources, double widthPt, double heightPt, Spool& spool, std::uint64_t at, std::size_t size);

private:
    Handle m_doc;
    unsigned m_perNode;
    Handle m_node = nullptr;
    unsigned m_inNode = 0;
    bool m_sized = false;
    double m_width = 0, m_height = 0;   ///< the size every page has unless it says otherwise
    Handle m_resources = nullptr;       ///< the resources every page has unless it says otherwise
};

/// Resources naming `font` as /F0 (none when `font` is null), one indirect object for any
/// number of forms; nullptr when libharu refused.
Handle newFormResources(Handle doc, Handle font);

/// A form XObject over `bbox` (left, bottom, right, top) drawing the `size` bytes at `at` in
/// `spool`, with `resources` from newFormResources; nullptr when libharu refused. Usable as a
/// picture is, by addXObject. It is one object with its length in place, a few dozen bytes of
/// memory until the document is saved.
Handle newForm(Handle doc, const std::array<int, 4>& bbox, Handle resources, Spool& spool, std::uint64_t at,
               std::size_t size);

/// Writes the document, handing its bytes to `write` in the order libharu lays them out, with
/// no copy of the file in memory. A false `write` stops the save. False when libharu or `write`
/// failed, or a spool could not be read back.
using Writer = bool (*)(void* context, const char* data, std::size_t size);
bool save(Handle doc, Writer write, void* context);

/// The font definition that a TrueType font loaded as `loadedName` came from: its base font
/// name and its TrueType attributes' copy, writable in place (an entry is null where absent).
/// HPDF_GetFont finds the definition by the first name afterwards.
std::array<char*, 2> fontDefinitionNames(Handle doc, const char* loadedName);

} // namespace quorvel::report::haru
