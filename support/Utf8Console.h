#pragma once

// The console programs write their text as UTF-8. While an object of this class
// lives, the console the process writes to shows UTF-8 as well: on Windows it
// would otherwise read the bytes in its own code page (437, 936, ...) and show
// a file name in Chinese as garbage. The console's code page is given back at
// the end, since the console outlives the program. Nothing to do elsewhere.
class Utf8Console {
public:
    Utf8Console();
    ~Utf8Console();

    Utf8Console(const Utf8Console&) = delete;
    Utf8Console& operator=(const Utf8Console&) = delete;

private:
    unsigned int previousCodePage = 0;
};
