#pragma once
// The character sets a guest file is read in, and their decoding to UTF-8.
#include <string>

enum class CSVCharset {
    kUTF8,  // the default; what export writes
    kANSI,  // the Windows code page of Traditional Chinese (950, Big5)
};

// "UTF-8" / "UTF8" / "ANSI", any case; false for anything else.
bool ParseCSVCharset(const std::string& name, CSVCharset& out);
// The name a reading description carries ("UTF-8", "ANSI").
std::string CSVCharsetName(CSVCharset charset);

// File bytes to UTF-8 text. A UTF-8 byte-order mark is removed and decides
// the character set whatever was asked. False, with the reason (English,
// naming the line), when the bytes are not text in that character set or
// hold a NUL byte.
bool DecodeCSVText(const std::string& bytes, CSVCharset charset, std::string& text,
                   std::string& error);

// Whether `s` is well-formed UTF-8 (no overlong forms, no surrogates); when
// not, `badAt` gets the offset of the first bad byte.
bool IsValidUtf8(const std::string& s, std::size_t* badAt = nullptr);
