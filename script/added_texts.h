// The English texts of the keys after Key96 of [LocalizationStub]: a
// localization file that has such a key shows its own text instead, so that
// translators can add them to files made before these keys existed.
#pragma once

constexpr int kFirstAddedKey = 97;

// Key97 on: index 0 is Key97.
constexpr const wchar_t* kAddedTexts[] = {
    // Key97: the title of the question about a file that is in use.
    L"File in use",
    // Key98: followed by the file's path.
    L"The installation cannot replace this file because another program is using it:",
    // Key99: followed by the programs, one a line.
    L"It is in use by:",
    // Key100
    L"Choose Yes to close these programs and go on, No to retry once you have closed them yourself, or Cancel to "
    L"stop the installation.",
    // Key101: followed by the file's path and the system's reason.
    L"The installation could not write this file:",
    // Key102
    L"Choose Retry to try again, or Cancel to stop the installation.",
};
