// The one place where the PDF writer reaches past libharu's public calls, which offer no way to
// write prepared operators into a page, to make a form XObject, or to size a stream to its
// content. Written against the structures of libharu 2.3.0: the build refuses other headers,
// checkLibrary() refuses another library at run time, and HaruInternalsTest proves each function
// on the library in use.
//
// Handles are libharu's public ones (void*), so callers can keep to its public header.
#pragma once

#include <array>
#include <cstddef>

namespace quorvel::report::haru {

using Handle = void*;

/// The version of libharu these functions were written for, and the one in use.
const char* expectedVersion();
const char* libraryVersion();

/// Throws Failure naming both versions when the libharu in use is not the expected one.
void checkLibrary();

/// Appends `size` bytes of content-stream operators to `page`'s contents. The first bytes of a
/// page get a stream of their own size when libharu's buffer would be larger: on a roll of one
/// label per page those buffers would be most of the memory used. False when libharu refused;
/// its error is then recorded in `doc`.
bool writeContent(Handle doc, Handle page, const char* data, std::size_t size);

/// The name under which `page`'s resources hold `font` or `image`, added on first use; nullptr
/// when libharu refused.
const char* fontName(Handle page, Handle font);
const char* xObjectName(Handle page, Handle xObject);

/// Resources naming `font` as /F0 (none when `font` is null), one indirect object for any
/// number of forms; nullptr when libharu refused.
Handle newFormResources(Handle doc, Handle font);

/// A form XObject over `bbox` (left, bottom, right, top) drawing `content`, with `resources`
/// from newFormResources; nullptr when libharu refused. Usable as an image is, by xObjectName.
Handle newForm(Handle doc, const std::array<int, 4>& bbox, Handle resources, const char* content, std::size_t size);

/// The font definition that a TrueType font loaded as `loadedName` came from: its base font
/// name and its TrueType attributes' copy, writable in place (an entry is null where absent).
/// HPDF_GetFont finds the definition by the first name afterwards.
std::array<char*, 2> fontDefinitionNames(Handle doc, const char* loadedName);

} // namespace quorvel::report::haru
