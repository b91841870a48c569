// debug.cpp -- the plain-text debug log and the tracked allocator
#include "shell/debug.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "sim/outward.h"

char debug_file[DEBUG_NAME_LEN];
MemNote mem_note[DEBUG_MAX_NOTES];
int32_t num_mem_notes;

// Stores `name` in debug_file; a name that does not fit keeps its last extension so that a long
// UserID still gives a ".log" file.
static void DebugSetName(const char *name) {
    size_t len = strlen(name);
    if (len < DEBUG_NAME_LEN) {
        memcpy(debug_file, name, len + 1);
        return;
    }
    const char *dot = strrchr(name, '.');
    size_t ext = dot ? strlen(dot) : 0;
    if (ext >= DEBUG_NAME_LEN / 2) ext = 0;
    size_t head = DEBUG_NAME_LEN - 1 - ext;
    memcpy(debug_file, name, head);
    memcpy(debug_file + head, name + len - ext, ext);
    debug_file[DEBUG_NAME_LEN - 1] = 0;
}

void InitializeDebug(const char *name) {
    if (name) {
        DebugSetName(name);
        remove(debug_file);
    } else {
        debug_file[0] = 0;
    }
    num_mem_notes = 0;
}

void ChangeDebugFile(const char *name) {
    if (!name) return;
    DebugSetName(name);
    if (debug_file[0]) remove(debug_file);
}

void CloseDebug() {}

static void DebugWrite(const char *text) {
    if (!debug_file[0]) return;
    FILE *f = fopen(debug_file, "a+");
    if (!f) return;
    fputs(text, f);
    fputs("\n", f);
    fclose(f);
}

void DebugLog(const char *format, ...) {
    if (!debug_file[0]) return;
    char text[1024];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    DebugWrite(text);
}

void DebugLogTag(const char *tag, const char *message) {
    if (!debug_file[0]) return;
    char text[1024];
    snprintf(text, sizeof text, "%s: %s", tag ? tag : "", message ? message : "");
    DebugWrite(text);
}

// The allocator cannot keep its promise: log, save what can be saved and stop.
[[noreturn]] static void DebugFatal(const char *message) {
    DebugLogTag("DebugMalloc", message);
    OutwardShutDown();
    exit(1);
}

void *DebugMalloc(const char *tag, int32_t size) {
    if (size <= 0)
        DebugFatal(size == 0 ? "Tried to malloc zero sized block"
                             : "Tried to malloc negative size");
    if (num_mem_notes >= DEBUG_MAX_NOTES) DebugFatal("Too many blocks held");
    void *block = malloc((size_t)size);
    if (!block) DebugFatal("Couldn't malloc");
    mem_note[num_mem_notes].tag = tag;
    mem_note[num_mem_notes].block = block;
    mem_note[num_mem_notes].size = size;
    num_mem_notes++;
    return block;
}

void DebugFreeFunc(const char *file, int line, void *block) {
    char text[512];
    if (!block) {
        snprintf(text, sizeof text, "%s line %d : Tried to free zero pointer", file, line);
        DebugLogTag("DebugFree", text);
        return;
    }
    for (int32_t i = 0; i < num_mem_notes; i++) {
        if (mem_note[i].block == block) {
            free(block);
            num_mem_notes--;
            mem_note[i] = mem_note[num_mem_notes];
            return;
        }
    }
    // The address, and how many blocks are held, help to tell a double free from a stray one.
    snprintf(text, sizeof text, "%s line %d : Trying to free unknown memory block: %lx (%ld).",
             file, line, (unsigned long)(uintptr_t)block, (long)num_mem_notes);
    DebugLogTag("DebugFree", text);
}

void DebugUnfreedList() {
    char text[512];
    for (int32_t i = 0; i < num_mem_notes; i++) {
        snprintf(text, sizeof text, "%s : %lx : %ld\n", mem_note[i].tag,
                 (unsigned long)(uintptr_t)mem_note[i].block, (long)mem_note[i].size);
        DebugLogTag("DebugUnfreedList", text);
    }
}
