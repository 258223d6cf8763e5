/* The patch's compound file: the database libmsi wrote, copied with the
 * cabinet stream and the transform sub-storages added (libmsi cannot commit
 * storages itself). */
#pragma once
#include "transform.h"

#include <glib.h>

typedef struct {
    const char *name;          /* sub-storage name, stored as given */
    Transform *transform;
    GByteArray *summary;
} PatchTransform;

/* A stream name as the installer stores it: pairs of name characters folded
 * into one UTF-16 unit, a table stream led by U+4840. Returns UTF-8. */
char *encode_stream_name(const char *name, gboolean is_table);

gboolean write_patch_storage(const char *database_file, const char *output,
                             const char *cabinet_stream, const char *cabinet_file,
                             const PatchTransform *transforms, int count, GError **error);
