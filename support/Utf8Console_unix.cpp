#include "Utf8Console.h"

// Terminals take the bytes as they come; UTF-8 is what they are set to.
Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;
