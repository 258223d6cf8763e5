#include "target.h"

#include <stdio.h>
#include <string.h>

static char *query_string(LibmsiDatabase *db, const char *sql) {
    LibmsiQuery *query = libmsi_query_new(db, sql, NULL);
    if (!query) return NULL;
    char *value = NULL;
    if (libmsi_query_execute(query, NULL, NULL)) {
        LibmsiRecord *record = libmsi_query_fetch(query, NULL);
        if (record) {
            value = libmsi_record_get_string(record, 1);
            g_object_unref(record);
        }
    }
    libmsi_query_close(query, NULL);
    g_object_unref(query);
    return value;
}

static char *property(LibmsiDatabase *db, const char *name) {
    char sql[160];
    snprintf(sql, sizeof sql, "SELECT `Value` FROM `Property` WHERE `Property` = '%s'", name);
    return query_string(db, sql);
}

gboolean target_open(Target *target, const char *path, GError **error) {
    memset(target, 0, sizeof *target);
    target->db = libmsi_database_new(path, LIBMSI_DB_FLAGS_READONLY, NULL, error);
    if (!target->db) return FALSE;
    target->product_code = property(target->db, "ProductCode");
    target->upgrade_code = property(target->db, "UpgradeCode");
    target->version = property(target->db, "ProductVersion");
    LibmsiSummaryInfo *si = libmsi_summary_info_new(target->db, 0, error);
    if (!si) return FALSE;
    const char *template_ = libmsi_summary_info_get_string(si, LIBMSI_PROPERTY_TEMPLATE, NULL);
    target->template_ = g_strdup(template_ ? template_ : "Intel;1033");
    g_object_unref(si);
    if (!target->product_code || !target->upgrade_code || !target->version) {
        g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_INVAL,
                    "%s lacks ProductCode, UpgradeCode or ProductVersion", path);
        return FALSE;
    }
    LibmsiQuery *query = libmsi_query_new(target->db, "SELECT `DiskId`, `LastSequence` FROM `Media`", NULL);
    if (query && libmsi_query_execute(query, NULL, NULL)) {
        LibmsiRecord *record;
        while ((record = libmsi_query_fetch(query, NULL))) {
            int disk = libmsi_record_get_int(record, 1);
            int last = libmsi_record_get_int(record, 2);
            if (disk > target->max_disk_id) target->max_disk_id = disk;
            if (last > target->last_sequence) target->last_sequence = last;
            g_object_unref(record);
        }
        libmsi_query_close(query, NULL);
    }
    if (query) g_object_unref(query);
    return TRUE;
}

void target_close(Target *target) {
    if (target->db) g_object_unref(target->db);
    g_free(target->product_code);
    g_free(target->upgrade_code);
    g_free(target->version);
    g_free(target->template_);
}

gboolean target_schema(Target *target, const char *table, TableSchema *schema) {
    memset(schema, 0, sizeof *schema);
    char sql[160];
    snprintf(sql, sizeof sql, "SELECT `Name` FROM `_Tables` WHERE `Name` = '%s'", table);
    char *known = query_string(target->db, sql);
    if (!known) return FALSE;
    g_free(known);
    snprintf(sql, sizeof sql, "SELECT * FROM `%s`", table);
    LibmsiQuery *query = libmsi_query_new(target->db, sql, NULL);
    if (!query) return FALSE;
    LibmsiRecord *names = libmsi_query_get_column_info(query, LIBMSI_COL_INFO_NAMES, NULL);
    LibmsiRecord *types = libmsi_query_get_column_info(query, LIBMSI_COL_INFO_TYPES, NULL);
    LibmsiRecord *keys = libmsi_database_get_primary_keys(target->db, table, NULL);
    gboolean ok = names && types && keys;
    if (ok) {
        g_strlcpy(schema->name, table, sizeof schema->name);
        schema->ncols = (int)libmsi_record_get_field_count(names);
        if (schema->ncols > 24) schema->ncols = 24;
        for (int i = 0; i < schema->ncols; ++i) {
            char *n = libmsi_record_get_string(names, i + 1);
            char *t = libmsi_record_get_string(types, i + 1);
            g_strlcpy(schema->names[i], n ? n : "", sizeof schema->names[i]);
            g_strlcpy(schema->types[i], t ? t : "", sizeof schema->types[i]);
            g_free(n);
            g_free(t);
        }
        schema->nkeys = (int)libmsi_record_get_field_count(keys);
    }
    if (names) g_object_unref(names);
    if (types) g_object_unref(types);
    if (keys) g_object_unref(keys);
    libmsi_query_close(query, NULL);
    g_object_unref(query);
    return ok;
}

gboolean target_has_file(Target *target, const char *key) {
    char sql[200];
    snprintf(sql, sizeof sql, "SELECT `File` FROM `File` WHERE `File` = '%s'", key);
    char *found = query_string(target->db, sql);
    gboolean has = found != NULL;
    g_free(found);
    return has;
}
