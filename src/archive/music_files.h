#pragma once

#include <cstdint>

#include "archive/data_archive.h"
#include "archive/memory_file.h"

// The file callbacks through which the music player reads its module out of the data archive.
// Plain functions, as the player installs them; their handle is a MemoryFile.
namespace tavrin {

// The program-wide archive the callbacks read from; null (the default) makes every file empty.
void SetMusicArchive(DataArchive* archive);
DataArchive* MusicArchive();

// Reads the whole file into memory. Never null: a missing file opens empty.
void* FileOpen(const char* name);
void FileClose(void* handle);
// Copies up to count bytes from the current position; 0 at or past the end, or before the start.
uint32_t FileRead(void* buffer, uint32_t count, void* handle);
// origin 0: from the start, 1: from the current position, 2: from the end; others change nothing.
// The position is not clamped.
void FileSeek(void* handle, int32_t offset, uint8_t origin);
int32_t FileTell(void* handle);

}  // namespace tavrin
