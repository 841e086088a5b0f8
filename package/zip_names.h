// Entry names and attributes of the archives as the setup stub uses them.
// Pure logic.
#pragma once

#include <cstdint>
#include <string>

// Replaces every "/" by "\".
std::wstring BackslashName(const std::wstring& name);

// Drops everything up to and including the first ":\" (a stored drive part
// such as C:\x\y.txt becomes x\y.txt).
std::wstring DropDrivePart(const std::wstring& name);

// True when a name (after the drive part is dropped) may be written below the
// destination. Names are in backslash form. A name is refused when
//   - a colon is left in it: it would name a drive ("D:x") or a data stream
//     ("a.txt:s");
//   - a part is made of dots and blanks only and has two dots or more: "..",
//     and, as Windows drops trailing dots and blanks, ".. ", ". ." and "...";
//   - a part names a device: CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9
//     (the digits may also be the superscripts 1 to 3, U+00B9, U+00B2 and
//     U+00B3), CONIN$ or CONOUT$, in any case, alone or before a dot and
//     with blanks after it: "nul", "Com1.log", "con .txt" and "CON." all name
//     a device, "con1", "xnul" and " con" do not.
bool IsSafeEntryName(const std::wstring& name);

// The Windows attributes to give a file written from an entry, from the
// entry's external attributes in the archive's central directory. Their low
// byte holds the DOS attributes whatever system made the archive (zip tools
// on Unix write them there too); of those read-only (0x01), hidden (0x02),
// system (0x04) and archive (0x20) are kept. The high word, where Unix tools
// keep the file's mode, is never read. 0 means no attributes of the entry's
// own: the file keeps the normal one.
//
// Example: external attributes 0x00000023 give 0x23 (read-only, hidden,
// archive); a folder entry (0x10) gives 0; 0x81A40001 from a Unix tool
// (mode 0100644 in the high word, read-only in the low byte) gives 0x01.
uint32_t WindowsAttributesOf(uint32_t externalAttributes);
