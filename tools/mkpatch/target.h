/* What the patch needs to know of the product package it targets. */
#pragma once
#include "transform.h"

#include <libmsi.h>

typedef struct {
    LibmsiDatabase *db;
    char *product_code;
    char *upgrade_code;
    char *version;
    char *template_;        /* platform;language, e.g. "Intel;1033" */
    int max_disk_id;
    int last_sequence;
} Target;

gboolean target_open(Target *target, const char *path, GError **error);
void target_close(Target *target);

/* The table's columns as the target declares them; FALSE if it has none. */
gboolean target_schema(Target *target, const char *table, TableSchema *schema);

/* Whether the target's File table has this key. */
gboolean target_has_file(Target *target, const char *key);
