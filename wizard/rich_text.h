// The rich-text controls of the licence and read-me pages.
#pragma once

#include <string>

#include "common/prelude.h"

// Loads the rich-edit library from the system folder: RICHED20.DLL
// ("RichEdit20W"), falling back to RICHED32.DLL ("RichEdit"). The class
// name, or null when neither loads.
const wchar_t* LoadRichTextClass();

// Shows a document: RTF (beginning with "{\rtf") formatted, any other text
// as plain text (UTF-8 or UTF-16 by their byte-order marks, UTF-8 when the
// bytes are valid UTF-8, else the system's code page).
void ShowDocument(HWND control, const std::string& bytes);

// The plain-text reading of a document's bytes.
std::wstring DocumentText(const std::string& bytes, unsigned codePage);
