#include "transform.h"

#include <stdlib.h>
#include <string.h>

static TransformStream *stream_for(Transform *t, const char *name, gboolean is_table) {
    for (guint i = 0; i < t->streams->len; ++i) {
        TransformStream *s = g_ptr_array_index(t->streams, i);
        if (s->is_table == is_table && !strcmp(s->name, name)) return s;
    }
    TransformStream *s = g_new0(TransformStream, 1);
    s->name = g_strdup(name);
    s->is_table = is_table;
    s->data = g_byte_array_new();
    g_ptr_array_add(t->streams, s);
    return s;
}

static void stream_free(gpointer p) {
    TransformStream *s = p;
    g_free(s->name);
    g_byte_array_unref(s->data);
    g_free(s);
}

Transform *transform_new(void) {
    Transform *t = g_new0(Transform, 1);
    t->strings = g_ptr_array_new_with_free_func(g_free);
    t->refs = g_array_new(FALSE, TRUE, sizeof(guint16));
    t->ids = g_hash_table_new(g_str_hash, g_str_equal);
    t->streams = g_ptr_array_new_with_free_func(stream_free);
    /* _Tables and _Columns go first: the installer creates the tables
     * before it fills them. */
    stream_for(t, "_Tables", TRUE);
    stream_for(t, "_Columns", TRUE);
    return t;
}

void transform_free(Transform *t) {
    g_hash_table_destroy(t->ids);
    g_ptr_array_unref(t->strings);
    g_array_unref(t->refs);
    g_ptr_array_unref(t->streams);
    g_free(t);
}

static guint16 string_id(Transform *t, const char *text) {
    gpointer found = g_hash_table_lookup(t->ids, text);
    guint id;
    if (found) {
        id = GPOINTER_TO_UINT(found);
    } else {
        g_ptr_array_add(t->strings, g_strdup(text));
        guint16 zero = 0;
        g_array_append_val(t->refs, zero);
        id = t->strings->len;
        g_hash_table_insert(t->ids, g_ptr_array_index(t->strings, id - 1), GUINT_TO_POINTER(id));
    }
    g_array_index(t->refs, guint16, id - 1)++;
    return (guint16)id;
}

static void put16(GByteArray *a, guint16 v) {
    guint8 b[2] = {v & 0xff, v >> 8};
    g_byte_array_append(a, b, 2);
}

static void put32(GByteArray *a, guint32 v) {
    guint8 b[4] = {v & 0xff, (v >> 8) & 0xff, (v >> 16) & 0xff, v >> 24};
    g_byte_array_append(a, b, 4);
}

static gboolean is_string_type(const char *type) { return strchr("sSlLgG", type[0]) != NULL; }
static gboolean is_binary_type(const char *type) { return type[0] == 'v' || type[0] == 'V'; }

/* The type word of a column as _Columns holds it. */
static guint16 column_type(const char *type, gboolean key) {
    guint16 v;
    int size = atoi(type + 1);
    if (is_binary_type(type)) v = 0x0900;
    else if (is_string_type(type)) v = 0x0D00 | (size & 0xff);
    else v = 0x0100 | (size == 4 ? 4 : 2);
    if (type[0] >= 'A' && type[0] <= 'Z') v |= 0x1000;
    if (key) v |= 0x2000;
    return v;
}

void transform_add_table(Transform *t, const TableSchema *schema) {
    GByteArray *tables = stream_for(t, "_Tables", TRUE)->data;
    put16(tables, (1 << 8) | 1);
    put16(tables, string_id(t, schema->name));
    GByteArray *columns = stream_for(t, "_Columns", TRUE)->data;
    for (int i = 0; i < schema->ncols; ++i) {
        put16(columns, (4 << 8) | 1);
        put16(columns, string_id(t, schema->name));
        put16(columns, 0); /* null number: the installer numbers new columns in order */
        put16(columns, string_id(t, schema->names[i]));
        put16(columns, column_type(schema->types[i], i < schema->nkeys) + 0x8000);
    }
}

void transform_add_column(Transform *t, TableSchema *schema, const char *name, const char *type) {
    GByteArray *columns = stream_for(t, "_Columns", TRUE)->data;
    put16(columns, (4 << 8) | 1);
    put16(columns, string_id(t, schema->name));
    /* An existing table's new column takes the next number; a null number
     * would be counted from 1 again. */
    put16(columns, (guint16)(schema->ncols + 1 + 0x8000));
    put16(columns, string_id(t, name));
    put16(columns, column_type(type, FALSE) + 0x8000);
    g_strlcpy(schema->names[schema->ncols], name, sizeof schema->names[0]);
    g_strlcpy(schema->types[schema->ncols], type, sizeof schema->types[0]);
    ++schema->ncols;
}

gboolean transform_add_row(Transform *t, const TableSchema *schema, const char *const *values,
                           unsigned present, GError **error) {
    GByteArray *rows = stream_for(t, schema->name, TRUE)->data;
    put16(rows, present ? (guint16)present : (guint16)((schema->ncols << 8) | 1));
    GString *stream_name = g_string_new(schema->name);
    for (int i = 0; i < schema->nkeys; ++i) g_string_append_printf(stream_name, ".%s", values[i] ? values[i] : "");
    for (int i = 0; i < schema->ncols; ++i) {
        if (present && i >= schema->nkeys && !(present & (1u << i))) continue;
        const char *type = schema->types[i];
        const char *v = values[i];
        if (is_binary_type(type)) {
            put16(rows, 0);
            if (v) {
                gchar *content;
                gsize length;
                if (!g_file_get_contents(v, &content, &length, error)) {
                    g_string_free(stream_name, TRUE);
                    return FALSE;
                }
                GByteArray *data = stream_for(t, stream_name->str, FALSE)->data;
                g_byte_array_append(data, (const guint8 *)content, length);
                g_free(content);
            }
        } else if (is_string_type(type)) {
            put16(rows, v ? string_id(t, v) : 0);
        } else if (atoi(type + 1) == 4) {
            put32(rows, v ? ((guint32)strtol(v, NULL, 10) ^ 0x80000000u) : 0);
        } else {
            put16(rows, v ? (guint16)(strtol(v, NULL, 10) + 0x8000) : 0);
        }
    }
    g_string_free(stream_name, TRUE);
    return TRUE;
}

void transform_finish(Transform *t, guint16 codepage) {
    GByteArray *pool = stream_for(t, "_StringPool", TRUE)->data;
    GByteArray *data = stream_for(t, "_StringData", TRUE)->data;
    put16(pool, codepage);
    put16(pool, 0);
    for (guint i = 0; i < t->strings->len; ++i) {
        const char *s = g_ptr_array_index(t->strings, i);
        gsize length = 0;
        gchar *bytes = g_convert(s, -1, "CP1252", "UTF-8", NULL, &length, NULL);
        if (!bytes) { bytes = g_strdup(s); length = strlen(s); }
        put16(pool, (guint16)length);
        put16(pool, g_array_index(t->refs, guint16, i));
        g_byte_array_append(data, (const guint8 *)bytes, length);
        g_free(bytes);
    }
}

/* Summary information property set (one section, FMTID_SummaryInformation). */
GByteArray *transform_summary(const char *template_, const char *last_author,
                              const char *revision, guint32 validation) {
    struct { guint32 id; int kind; const char *text; guint32 number; } props[] = {
        {1, 2, NULL, 1252},          /* codepage, VT_I2 */
        {7, 30, template_, 0},       /* Template */
        {8, 30, last_author, 0},     /* LastAuthor */
        {9, 30, revision, 0},        /* Revision number */
        {14, 3, NULL, 200},          /* PageCount: installer version */
        {16, 3, NULL, validation},   /* CharCount: validation and error flags */
    };
    const int count = sizeof props / sizeof props[0];
    GByteArray *values = g_byte_array_new();
    guint32 offsets[8];
    for (int i = 0; i < count; ++i) {
        offsets[i] = 8 + 8 * count + values->len;
        put32(values, (guint32)props[i].kind);
        if (props[i].kind == 30) {
            guint32 n = (guint32)strlen(props[i].text) + 1;
            put32(values, n);
            g_byte_array_append(values, (const guint8 *)props[i].text, n);
            while (values->len % 4) { guint8 z = 0; g_byte_array_append(values, &z, 1); }
        } else if (props[i].kind == 2) {
            put16(values, (guint16)props[i].number);
            put16(values, 0);
        } else {
            put32(values, props[i].number);
        }
    }
    static const guint8 fmtid[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                     0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};
    GByteArray *out = g_byte_array_new();
    put16(out, 0xFFFE);
    put16(out, 0);
    put32(out, 0x00020006);            /* system: Windows 6.x */
    for (int i = 0; i < 16; ++i) { guint8 z = 0; g_byte_array_append(out, &z, 1); }
    put32(out, 1);
    g_byte_array_append(out, fmtid, 16);
    put32(out, 48);
    put32(out, 8 + 8 * count + values->len);
    put32(out, (guint32)count);
    for (int i = 0; i < count; ++i) {
        put32(out, props[i].id);
        put32(out, offsets[i]);
    }
    g_byte_array_append(out, values->data, values->len);
    g_byte_array_unref(values);
    return out;
}
