// Reading the extracted setup script into the setup settings.
#pragma once

#include <string>

// Reads the script, then deletes the file. When it cannot be opened shows
// Key3 with the title Key0 and ends the run through CleanUp(0).
void ReadSetupScript(const std::wstring& path);
