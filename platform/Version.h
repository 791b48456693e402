#pragma once

namespace pixelon {

// The project's version ("3.0"), the same for every program and the About box.
const char* ProgramVersion();

// Prints "PROGRAM VERSION" on standard output, as every program's --version does.
void PrintVersion(const char* program);

} // namespace pixelon
