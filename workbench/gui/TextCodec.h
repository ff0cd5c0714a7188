#pragma once

#include <QString>

#include <string>
#include <string_view>

// The program's texts are 8-bit Windows-1251 strings; file paths are local 8-bit names.

// Converts text to Windows-1251; characters the code page lacks become '?'.
std::string ToCp1251(const QString& text);
QString FromCp1251(std::string_view text);
// A file name as the model's file functions take it, and back.
std::string ToLocalPath(const QString& path);
QString FromLocalPath(const std::string& path);
