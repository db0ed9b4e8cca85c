// What the save choosers propose and what becomes of the answer: file names made of safe
// characters, the extension of the chosen format, the folder to start in, and the image
// sides an export can hold.
#pragma once

#include <string>

// `name` with every run of characters other than ASCII letters, digits, '-', '_' and '.'
// replaced by one '_', without leading or trailing '_' and '.'; "untitled" when nothing
// is left.
std::string safe_file_name(const std::string& name);

// The name a chooser proposes for an item called `name`: safe_file_name(name) + ext.
std::string proposed_file_name(const std::string& name, const char* ext);

// True when the last component of `path` ends with `ext` (".png"), letter case aside.
bool has_extension(const std::string& path, const char* ext);
// `path` with `ext` appended when it does not end with it already.
std::string with_extension(const std::string& path, const char* ext);

// The name a curve data export writes: `path` with ".agr" for the Xmgrace format (2),
// with ".dat" for the text formats (0, 1) when its last component has no extension.
std::string data_file_name(const std::string& path, int format);

// The folder of a file path ("" for a bare name); the folder project p was read from or
// saved to ("" when it has none).
std::string folder_of(const std::string& path);
std::string project_folder(int p);

// Largest side of an exported image, in pixels.
inline constexpr int max_image_side = 32767;
// A typed image side (> 0) limited to max_image_side; `reduced` is set when it was cut.
int limited_image_side(double typed, bool& reduced);
// "The width (height) was reduced to 32767 pixels, the largest side of an image".
std::string size_reduced_message(int axis);
