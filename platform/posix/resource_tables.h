// Resources on the POSIX side. A module (the plug-in, a test program, a language resource
// library) carries its string table and version strings as exported data, generated at build
// time from the same .rc file that the Windows resource compiler reads (tools/rc2cpp.py).
// LoadStringA, GetFileVersionInfoSizeA/GetFileVersionInfoA and VerQueryValueA look them up
// in the module by these names.
#pragma once

extern "C" {

// One string of the table; text is in CP932.
struct PlatformStringEntry {
    unsigned id;
    const char* text;
};

// One key of the version resource's string table ("ProductName", ...); value in CP932.
struct PlatformVersionEntry {
    const char* key;
    const char* value;
};

// What a generated module exports (symbol names as declared):
//   const PlatformStringEntry PlatformStringTable[];        sorted by id
//   const unsigned PlatformStringTableSize;                 number of entries
//   const PlatformVersionEntry PlatformVersionResource[];   ends with {nullptr, nullptr}
//   const unsigned PlatformVersionLanguage;                 e.g. 0x0411
//   const unsigned PlatformVersionCodePage;                 e.g. 1200
//   const unsigned PlatformFileVersion[4];                  e.g. {0, 0, 0, 49}
}
