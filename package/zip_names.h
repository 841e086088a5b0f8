// Entry names and attributes of the archives as the setup stub uses them.
// Pure logic.
#pragma once

#include <cstddef>
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

// The extended timestamp extra field (tag 0x5455, "UT"): tag and length
// (2 bytes each, little-endian), a flags byte (bit 0: the modification time
// follows; bits 1 and 2 announce the access and creation times, which only
// a local header carries), then the modification time in seconds since
// 1970-01-01 00:00 UTC, 4 bytes little-endian. With only the modification
// time the field is the same 9 bytes in the local and the central header.
constexpr size_t kUnixTimeFieldSize = 9;
void WriteUnixTimeField(uint32_t seconds, unsigned char field[kUnixTimeFieldSize]);

// Finds the modification time of an extended timestamp field in an entry's
// extra block (fields of tag, length and data, one after the other). False
// when there is none, its flags do not announce it, the field is too short
// to hold it, or the block is damaged before it is found (a field whose
// length runs past the block's end).
//
// Example: 55 54 05 00 01 00 00 00 60 gives 0x60000000 (2021-01-14 08:25:36 UTC).
bool FindUnixTime(const unsigned char* extra, size_t size, uint32_t* seconds);
