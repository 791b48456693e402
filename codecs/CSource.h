#pragma once

#include <ctime>
#include <string>
#include <string_view>

namespace pixelon {

class CPicture;

// The version text written into generated files.
inline constexpr std::string_view ProgramVersion = "R3B";

// Appends the C source header: the comment naming the file and the generator (dated `when`,
// local time) and the comment block on declaring the bitmap types. Lines end in "\n"; the file
// is written with CR LF (ToCrLf).
void WriteSourceHeader(std::string& out, std::string_view sourcePath, std::time_t when);

// Appends the byte array, the commented dump and the Bitmap_t descriptor of one picture, packed
// at its stored depth. `name` prefixes the C identifiers. Sets CurrentMap to the source map of
// that depth.
bool WritePictureSource(std::string& out, const CPicture& picture, std::string_view name);

// The long local date and time form, e.g. "Tuesday, March 14, 1995, 12:41:29".
std::string LongDateTime(std::time_t when);

// Text with every "\n" turned into CR LF, as a text-mode write does.
std::string ToCrLf(std::string_view text);

} // namespace pixelon
