// debug.h -- the plain-text debug log and the tracked allocator
#pragma once

#include <cstddef>
#include <cstdint>

// One allocation note: who asked for the block, where it is and how big it is.
struct MemNote {
    const char *tag;
    void *block;
    int32_t size;
};

enum { DEBUG_MAX_NOTES = 1024, DEBUG_NAME_LEN = 32 };

extern char debug_file[DEBUG_NAME_LEN];
extern MemNote mem_note[DEBUG_MAX_NOTES];
extern int32_t num_mem_notes;

void InitializeDebug(const char *name);
// Starts the log in `name` (deleting any old file of that name), or turns logging off when
// `name` is null; forgets every allocation note.

void ChangeDebugFile(const char *name);
// Goes on logging in `name` (an old file of that name is deleted; the previous log is kept).
// A name too long for debug_file is cut, keeping its ending (".log") where it has one.

void CloseDebug();
// Nothing to do: the log file is opened and closed for every line.

void DebugLog(const char *format, ...) __attribute__((format(printf, 1, 2)));
// Appends one printf-style line to the log.

void DebugLogTag(const char *tag, const char *message);
// Appends one line holding the reporting function's name `tag` and the ready-made `message`.

void *DebugMalloc(const char *tag, int32_t size);
// Allocates `size` bytes and notes them under `tag`. A zero size, a failed allocation or a full
// note table is logged and ends the program through ShutDown().

void DebugFreeFunc(const char *file, int line, void *block);
// Releases a tracked block; a null or unknown block is logged (with file and line) and left alone.

#define DebugFree(block) DebugFreeFunc(__FILE__, __LINE__, (block))

void DebugUnfreedList();
// Logs every tracked block still held.
