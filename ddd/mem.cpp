// mem.cpp -- the engine's tracked memory: areas, owners and lock counts over the host allocator
#include "ddd/ddd_local.h"

#include <string.h>

// Every block starts with this header; the caller sees the bytes after it.
typedef struct MemHeader {
    int32_t area;
    int32_t locks;
    uint32_t size;   // total bytes taken from the host, header included
    uint32_t length; // bytes asked for
    struct MemHeader *owner;
    struct MemHeader *prev, *next;
    void *user;       // what a loader keeps beside the data (a prepared shape)
    const char *name; // the upper-case name a file was loaded under (a names-area block)
} MemHeader;

#define HDR_SIZE ((sizeof(MemHeader) + 15) & ~(size_t)15)

dddAllocFunc ddd_host_alloc;
dddFreeFunc ddd_host_free;
dddReadFunc ddd_host_read;

static MemHeader *mem_area[DDD_AREAS];
static int32_t mem_next_area = DDD_AREA_GENERAL;
static int32_t mem_ready;
static dddCallFunc mem_before_close, mem_after_close;

static MemHeader *Hdr(const void *block) {
    return (MemHeader *)((uint8_t *)block - HDR_SIZE);
}

void dddInitMem(dddAllocFunc alloc, dddFreeFunc release, dddReadFunc file_read) {
    ddd_host_alloc = alloc;
    ddd_host_free = release;
    ddd_host_read = file_read;
    dddInitTables();
    dddPolyInit();
    mem_ready = 1;
}

int32_t dddMemReady(void) {
    return mem_ready;
}

void dddSelectArea(int32_t area) {
    mem_next_area = (area >= 0 && area < DDD_AREAS) ? area : DDD_AREA_GENERAL;
}

int32_t dddMemArea(void) {
    return mem_next_area;
}

void *dddLinkedMemAlloc(uint32_t size) {
    int32_t area = mem_next_area;
    mem_next_area = DDD_AREA_GENERAL;
    if (!ddd_host_alloc || size > 0x7FFFFFF0u - HDR_SIZE) return nullptr;
    size_t total = (HDR_SIZE + size + 3) & ~(size_t)3;
    MemHeader *h = (MemHeader *)ddd_host_alloc(total);
    if (!h) return nullptr;
    memset(h, 0, HDR_SIZE);
    h->area = area;
    h->locks = 1;
    h->size = (uint32_t)total;
    h->length = size;
    h->next = mem_area[area];
    if (h->next) h->next->prev = h;
    mem_area[area] = h;
    return (uint8_t *)h + HDR_SIZE;
}

static void Release(MemHeader *h) {
    if (h->prev)
        h->prev->next = h->next;
    else
        mem_area[h->area] = h->next;
    if (h->next) h->next->prev = h->prev;
    if (h->name) {
        MemHeader *n = Hdr(h->name);
        h->name = nullptr;
        Release(n);
    }
    if (ddd_host_free) ddd_host_free(h);
}

void *DDDLINKEDMEMREALLOC(uint32_t size, void *block) {
    if (!block) return dddLinkedMemAlloc(size);
    MemHeader *old = Hdr(block);
    if (size <= old->size - HDR_SIZE) {
        if (size > old->length) old->length = size;
        return block;
    }
    dddSelectArea(old->area);
    void *fresh = dddLinkedMemAlloc(size);
    if (!fresh) return nullptr;
    MemHeader *h = Hdr(fresh);
    memcpy(fresh, block, old->length);
    h->owner = old->owner;
    h->locks = old->locks;
    h->user = old->user;
    h->name = old->name;
    old->name = nullptr;
    Release(old);
    return fresh;
}

void DDDLINKEDMEMLOCK(void *block) {
    int32_t guard = 0;
    for (MemHeader *h = block ? Hdr(block) : nullptr; h && guard < 64; h = h->owner, guard++)
        h->locks++;
}

void DDDLINKEDMEMFREE(void *block) {
    if (!block) return;
    MemHeader *h = Hdr(block);
    if (h->owner) DDDLINKEDMEMFREE((uint8_t *)h->owner + HDR_SIZE);
    if (--h->locks <= 0) Release(h);
}

void dddMemSetOwner(void *block, void *owner) {
    if (block && owner != block) Hdr(block)->owner = owner ? Hdr(owner) : nullptr;
}

uint32_t dddMemLength(const void *block) {
    return block ? Hdr(block)->length : 0;
}
int32_t dddMemLocks(const void *block) {
    return block ? Hdr(block)->locks : 0;
}
void *dddMemUser(const void *block) {
    return block ? Hdr(block)->user : nullptr;
}
void dddMemSetUser(void *block, void *user) {
    if (block) Hdr(block)->user = user;
}

void dddMemSetName(void *block, const char *name) {
    if (!block) return;
    size_t n = strlen(name) + 1;
    dddSelectArea(DDD_AREA_NAMES);
    char *copy = (char *)dddLinkedMemAlloc((uint32_t)n);
    if (!copy) return; // the block stays usable, it just can't be shared by name
    memcpy(copy, name, n);
    MemHeader *h = Hdr(block);
    if (h->name) Release(Hdr(h->name));
    h->name = copy;
}

void *dddMemFind(int32_t area, const char *name) {
    if (area < 0 || area >= DDD_AREAS) return nullptr;
    for (MemHeader *h = mem_area[area]; h; h = h->next)
        if (h->name && strcmp(h->name, name) == 0) return (uint8_t *)h + HDR_SIZE;
    return nullptr;
}

int32_t dddMemBlocks(int32_t area) {
    int32_t n = 0;
    if (area >= 0 && area < DDD_AREAS)
        for (MemHeader *h = mem_area[area]; h; h = h->next)
            n++;
    return n;
}

void dddSetBeforeCloseCall(dddCallFunc function) {
    mem_before_close = function;
}
void dddSetAfterCloseCall(dddCallFunc function) {
    mem_after_close = function;
}

void dddRestoreAll(void) {
    if (mem_before_close) mem_before_close();
    // Names hang off their files' blocks; release the other areas first.
    for (int32_t a = 0; a < DDD_AREAS; a++) {
        if (a == DDD_AREA_NAMES) continue;
        while (mem_area[a])
            Release(mem_area[a]);
    }
    while (mem_area[DDD_AREA_NAMES])
        Release(mem_area[DDD_AREA_NAMES]);
    dddFreePointBuffers();
    dddMemScreenRelease();
    ddd_draw_count = 0;
    ddd_light_count = 0;
    shade_table_ptr = nullptr;
    palette_ptr = nullptr;
    ddd_texture = nullptr;
    object_under_mouse = nullptr;
    if (mem_after_close) mem_after_close();
}
