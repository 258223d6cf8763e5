#pragma once
/* SGVR, the signature library: decides whether images (files held in memory)
   are genuine, through three layers of trust: a built-in registry compiled in,
   key registries that chain to it (root 0x7FFFFC, intermediates 0x7FFFFA,
   others), and the objects themselves, matched by hash or by signature.

   C at its edges: opaque handles and 32-bit result codes (SgvrResult.h). The
   library keeps process-wide state (memory callbacks, random indices): create
   and use its contexts and lists from one thread. */
#include <stddef.h>
#include <stdint.h>

#include "sgvr/SgvrResult.h"

#ifdef __cplusplus
extern "C" {
#endif

typedef struct SGVR_Context_* SGVR_CONTEXT;
typedef struct SGVR_ParList_* SGVR_PARLIST;
typedef struct SGVR_Entry_* SGVR_ENTRY;

typedef void* (*SGVR_AllocFn)(size_t size);
typedef void (*SGVR_FreeFn)(void* block);

/* Supplies the bytes of a buffer entry when the entry was added with a read
   callback: length bytes from offset into dest, the count read in *read. */
typedef SGVR_RESULT (*SGVR_ReadFn)(uintptr_t userValue, const void* buffer, uint32_t offset, void* dest,
                                   uint32_t length, uint32_t* read);

/* How the library reaches entries given by file name (SGVR_ParList_AddObjectFile,
   SGVR_ParList_AddRegistryFile). The library copies the structure; release, when
   set, is called when the context is destroyed. */
typedef struct SGVR_FileAccess {
    void* self;
    int (*open)(void* self, const void* name, uint32_t nameSize, void** file);
    int (*size)(void* self, void* file, uint32_t* size);
    int (*read)(void* self, void* file, uint32_t offset, void* dest, uint32_t length, uint32_t* read);
    void (*close)(void* self, void* file);
    void (*release)(void* self);
} SGVR_FileAccess;

/* Keys of SGVR_ParList_SetParam / SGVR_ParList_GetParam. */
#define SGVR_PARAM_BUFFER              1u  /* address of a buffer entry's bytes */
#define SGVR_PARAM_USER_VALUE          2u  /* read callback's user value */
#define SGVR_PARAM_STATUS              3u  /* the entry's check status (get only) */
#define SGVR_PARAM_REGISTRY_ID         4u  /* in: registry id the object names; out: 1 by hash, 2 by signature */
#define SGVR_PARAM_INDEX_HINT          6u  /* position in the named registry's hash list */
#define SGVR_PARAM_BUFFER_ADDRESS     17u  /* caller's own: the address of the image block */
#define SGVR_PARAM_FILE_NAME          18u  /* caller's own: the path, for reporting */

#define SGVR_VERIFIED_BY_HASH          1u
#define SGVR_VERIFIED_BY_SIGNATURE     2u

/* Both callbacks are required. The first call installs them process-wide; a
   later call with another pair fails. With treeStore set the same pair serves
   the tree store that holds every node. Returns none on any failure. */
SGVR_CONTEXT SGVR_CreateContext(SGVR_AllocFn alloc, SGVR_FreeFn release, const SGVR_FileAccess* fileAccess,
                                int treeStore);
/* With treeStore set the tree store is shut down as well. */
void SGVR_DestroyContext(SGVR_CONTEXT context, int treeStore);
/* The context's last status. */
SGVR_RESULT SGVR_GetContextStatus(SGVR_CONTEXT context);

SGVR_RESULT SGVR_ParList_Create(SGVR_PARLIST* list);
void SGVR_ParList_Destroy(SGVR_PARLIST list);
/* The list's last status. */
SGVR_RESULT SGVR_ParList_GetStatus(SGVR_PARLIST list);

/* index 0 asks for a random index. The buffer stays the caller's; the list
   keeps its address. Returns none on failure (status in the list). */
SGVR_ENTRY SGVR_ParList_AddObjectBuffer(SGVR_PARLIST list, uint16_t index, const void* buffer, uint32_t size,
                                        SGVR_ReadFn read, uintptr_t userValue);
SGVR_ENTRY SGVR_ParList_AddRegistryBuffer(SGVR_PARLIST list, uint16_t index, const void* buffer, uint32_t size,
                                          SGVR_ReadFn read, uintptr_t userValue);
/* Entries whose bytes the context's file-access interface reads. */
SGVR_ENTRY SGVR_ParList_AddObjectFile(SGVR_PARLIST list, uint16_t index, const void* name, uint32_t nameSize);
SGVR_ENTRY SGVR_ParList_AddRegistryFile(SGVR_PARLIST list, uint16_t index, const void* name, uint32_t nameSize);
/* Takes an entry out of the list and frees it; never allocates, so it cannot
   fail on a valid entry. */
SGVR_RESULT SGVR_ParList_RemoveObject(SGVR_PARLIST list, SGVR_ENTRY entry);

/* entry none sets a parameter of the list itself (a condition that registry
   entries are matched against). */
SGVR_RESULT SGVR_ParList_SetParam(SGVR_PARLIST list, SGVR_ENTRY entry, uint32_t key, const void* data,
                                  uint32_t size);
/* buffer none: only the size. A smaller buffer: SGVR_E_BUFFER_TOO_SMALL with
   the size needed. */
SGVR_RESULT SGVR_ParList_GetParam(SGVR_PARLIST list, SGVR_ENTRY entry, uint32_t key, void* buffer,
                                  uint32_t* size);
/* Names become part of the object's hashes, in the order given. */
SGVR_RESULT SGVR_ParList_SetObjectName(SGVR_PARLIST list, SGVR_ENTRY entry, const void* name, uint32_t size);

SGVR_ENTRY SGVR_ParList_FirstObject(SGVR_PARLIST list);
SGVR_ENTRY SGVR_ParList_NextObject(SGVR_PARLIST list, SGVR_ENTRY entry);
/* The entry with this index; buffer and size, when given, receive the entry's
   value (its buffer address, or its file name). */
SGVR_ENTRY SGVR_ParList_GetObject(SGVR_PARLIST list, uint16_t index, void* buffer, uint32_t* size);
/* Index of the entry (low 16 bits of its identifier). */
uint16_t SGVR_ParList_GetIndex(SGVR_PARLIST list, SGVR_ENTRY entry);
/* Index of the first (next after index) entry whose status is not SGVR_OK,
   with its status; 0 when there is none. */
uint16_t SGVR_ParList_FirstFailed(SGVR_PARLIST list, SGVR_RESULT* status);
uint16_t SGVR_ParList_NextFailed(SGVR_PARLIST list, uint16_t index, SGVR_RESULT* status);

/* Builds the context's set of trusted registries from the list. extraId, when
   not 0, is one more registry id to accept besides those of the id index. */
SGVR_RESULT SGVR_PrepareRegsSet(SGVR_CONTEXT context, SGVR_PARLIST registries, uint32_t extraId);
/* Checks every object of the list against the prepared set. */
SGVR_RESULT SGVR_CheckObjects(SGVR_CONTEXT context, SGVR_PARLIST objects, uint32_t extraId);

#ifdef __cplusplus
}
#endif
