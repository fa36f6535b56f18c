#pragma once

#include <optional>
#include <string>

#include "net/Text.h"

// Files and folders. Every path is a GBK text with '/' separators; it becomes the file
// system's UTF-8 name here, at the edge, as a Windows "A" call would turn code page 936 into
// the file system's names.
namespace vexmora::platform {

// The whole content, or nothing when the file cannot be read.
std::optional<Bytes> ReadWholeFile(const Text& path);

// Replaces the file atomically: the bytes go to a temporary file beside it, which is then
// renamed over it, so a reader sees the old content or the new, never a half-written file.
bool WriteWholeFile(const Text& path, const Bytes& content);
bool WriteWholeFile(const Text& path, const Text& content);

bool DeleteFile(const Text& path);
bool FileExists(const Text& path);
bool IsDirectory(const Text& path);

// Creates the folder and every missing parent; true when it exists afterwards.
bool MakeDirectories(const Text& path);

// The folder of the running executable (not the working folder), without a trailing '/'.
Text ExecutableDirectory();

// The folder for temporary files, with exactly one trailing '/'.
Text TempDirectory();

// The path as the operating system names it (UTF-8 on Linux).
std::string NativePath(const Text& path);

} // namespace vexmora::platform
