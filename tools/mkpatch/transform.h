/* A Windows Installer transform being written: its string pool and one
 * row stream per changed table, in the persistent format the installer
 * reads (rows led by a 16-bit mask, 2-byte string references, i2 stored as
 * v + 0x8000, i4 as v ^ 0x80000000), plus the binary streams its rows refer
 * to and its own summary information. */
#pragma once
#include <glib.h>

typedef struct {
    char name[64];     /* table name */
    int ncols;
    char types[24][8]; /* column types as the database reports them: s72, I2, v0 ... */
    char names[24][64];
    int nkeys;         /* the leading key columns */
} TableSchema;

typedef struct {
    char *name;        /* stream name before encoding; table streams are marked by is_table */
    gboolean is_table;
    GByteArray *data;
} TransformStream;

typedef struct {
    GPtrArray *strings;     /* string id n is strings[n - 1] */
    GArray *refs;
    GHashTable *ids;
    GPtrArray *streams;     /* TransformStream* */
} Transform;

Transform *transform_new(void);
void transform_free(Transform *t);

/* Adds the table and its columns to _Tables and _Columns. */
void transform_add_table(Transform *t, const TableSchema *schema);

/* Adds a column to a table the target already has (after its last one), and
 * to schema. */
void transform_add_column(Transform *t, TableSchema *schema, const char *name, const char *type);

/* Writes one row. values[i] is the text of column i (numbers in decimal,
 * NULL for null; for a binary column the path of the file that holds the
 * data). present == 0 writes the whole row (insert or replace); otherwise
 * bit i marks column i as changed and the keys are written always. */
gboolean transform_add_row(Transform *t, const TableSchema *schema, const char *const *values,
                           unsigned present, GError **error);

/* The string pool streams, made from the strings used so far. */
void transform_finish(Transform *t, guint16 codepage);

/* The transform's summary information property set. */
GByteArray *transform_summary(const char *template_, const char *last_author,
                              const char *revision, guint32 validation);
