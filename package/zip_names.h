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
// entry's "version made by" and external attributes in the archive's central
// directory. The high byte of the version is the system the archive was made
// on; only the DOS-compatible ones (0 MS-DOS and FAT, 6 HPFS, 10 NTFS, 11 and
// 14 VFAT) store Windows attributes, and of those only read-only (0x01),
// hidden (0x02), system (0x04) and archive (0x20) are kept. Everything else
// gives 0: no attributes of the entry's own, the file keeps the normal one.
//
// Example: an entry made on NTFS (version 0x0A14) with external attributes
// 0x00000023 gives 0x23 (read-only, hidden, archive); a folder entry (0x10)
// gives 0; an entry made on Unix (0x031E) with 0x81A40001 (mode 0100644 in
// the high word) gives 0.
uint32_t WindowsAttributesOf(uint16_t versionMadeBy, uint32_t externalAttributes);
