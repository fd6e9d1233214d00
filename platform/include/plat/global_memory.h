/* Global-memory handles: movable blocks named by non-zero 32-bit handles from
 * one process-wide table, the currency of packed bitmaps between modules.
 * A freed or unknown handle locks to null and frees with an error. */
#ifndef PLAT_GLOBAL_MEMORY_H_
#define PLAT_GLOBAL_MEMORY_H_

#include <stddef.h>
#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

typedef uint32_t HGLOBAL;

#define GMEM_FIXED 0x0000u
#define GMEM_MOVEABLE 0x0002u
#define GMEM_ZEROINIT 0x0040u
#define GHND 0x0042u
#define GMEM_DDESHARE 0x2000u /* accepted and ignored */

/* A new block of `bytes` bytes, or 0 when the flags are unknown or memory runs out. */
HGLOBAL GlobalAlloc(unsigned flags, size_t bytes);
/* The block's bytes, counting one more lock; null for a freed or unknown handle. */
void* GlobalLock(HGLOBAL handle);
/* Counts one lock less; non-zero while locks remain. */
int GlobalUnlock(HGLOBAL handle);
/* The size asked for at allocation; 0 for a freed or unknown handle. */
size_t GlobalSize(HGLOBAL handle);
/* 0 on success; the handle itself when it is freed or unknown. */
HGLOBAL GlobalFree(HGLOBAL handle);

#ifdef __cplusplus
}
#endif

#endif /* PLAT_GLOBAL_MEMORY_H_ */
