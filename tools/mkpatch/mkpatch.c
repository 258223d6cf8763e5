/* mkpatch: the vendor's patch package builder. Writes a Windows Installer
 * patch (".msp" compound file, patch class id) for ZEP 8:
 *   summary information  Template = target product code(s), LastAuthor =
 *                        transform list, Revision = patch GUID
 *   MsiPatchMetadata, MsiPatchSequence
 * and, given the target product package (--target), what makes the engine
 * apply it: the cabinet of the changed files and the two transforms, the
 * target-to-upgraded one (PatchInfo row, the custom-action DLL in the Binary
 * table, its type-1 action at 1550 in InstallExecuteSequence, the files'
 * new sizes) and the patch transform (PatchPackage, the patch's Media row,
 * the files' new sequence numbers).
 * Without --target only the recognisable database is written.
 *
 * usage: mkpatch OUTPUT [--platform x86|x64] [--guid TEXT | --no-guid] [--transforms LIST]
 *                [--target MSI --file KEY=PATH... [--ca DLL] [--letter hf41] [--disk-id N]
 *                 [--display-name TEXT] [--product CODE] [--transform-product CODE]]
 */
#include "storage.h"
#include "target.h"
#include "transform.h"

#include <libmsi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#define PRODUCT_CODE "{D72DD679-A3EC-4FCF-AFAF-12E2552450B6}"
#define PATCH_GUID "{A623E528-4926-4E76-92A1-A9220E993BE6}"
#define USAGE "usage: mkpatch OUTPUT [--platform x86|x64] [--guid TEXT | --no-guid] [--transforms LIST]\n" \
              "               [--target MSI --file KEY=PATH... [--ca DLL] [--letter ID] [--disk-id N]\n" \
              "                [--display-name TEXT] [--product CODE] [--transform-product CODE]]\n" \
              "       mkpatch --help\n"

static const char HELP[] =
    "Writes a Windows Installer patch package (.msp) of the ZEP 8 fix. The package is not signed:\n"
    "sign it with `sgvrtool sign --object-name ID.msp KEYFILE OUTPUT` and check it with\n"
    "`sgvrtool lint --keys DIR --fix-id ID OUTPUT` (the build does both).\n"
    "\n"
    "  OUTPUT                 the package file to write (replaced)\n"
    "  --platform x86|x64     x86: transforms for Intel;1033 (resource 101 of the patcher);\n"
    "                         x64: for x64;1033 (resource 102); default x86\n"
    "  --guid TEXT            the patch code, {GUID} in upper case (default " PATCH_GUID ");\n"
    "                         also the PatchInfo PatchId, in lower case without braces\n"
    "  --no-guid              leave the revision number out (only without --target)\n"
    "  --transforms LIST      the transform list of the summary information\n"
    "                         (default :ZEP8x86rtmToZEP8x86fix;:#ZEP8x86rtmToZEP8x86fix, x64 alike)\n"
    "  --target MSI           the product package the patch applies to; without it only the patch\n"
    "                         database (metadata, sequence, summary) is written\n"
    "  --file KEY=PATH        a changed file: its File table key in the target and the new content\n"
    "                         (repeatable, up to 32)\n"
    "  --ca DLL               the custom-action library (patch.dll): stored in the Binary table, its\n"
    "                         action RegisterHotfixesInfo (type 1, ExtendedType 0x8000 so it also\n"
    "                         runs when the patch is removed) at 1550 in InstallExecuteSequence\n"
    "  --letter ID            the fix id (default hf41): PatchInfo Letter, \"(Patch ID)\" in the\n"
    "                         display name, cabinet stream PatchCab_ID\n"
    "  --disk-id N            the DiskId of the patch's Media row (default: derived from ID)\n"
    "  --display-name TEXT    patch metadata DisplayName (default \"ZEP 8 private fix (Patch ID)\")\n"
    "  --product CODE         the product the package names (default: the target's)\n"
    "  --transform-product CODE  the product the transforms validate against (default: the same)\n"
    "  --help                 this text\n"
    "\n"
    "Exit status: 0 written, 1 failed (the reason on standard error), 2 wrong usage.\n";

#define CA_BINARY_KEY "PatchDll"
#define CA_ENTRY "RegisterHotfixesInfo"
#define CA_SEQUENCE "1550"
/* msidbCustomActionTypePatchUninstall */
#define CA_PATCH_UNINSTALL "32768"

static void fail(const char *what, GError *error) {
    fprintf(stderr, "mkpatch: %s: %s\n", what, error ? error->message : "failed");
    exit(1);
}

static void run(LibmsiDatabase *db, const char *sql) {
    GError *error = NULL;
    LibmsiQuery *query = libmsi_query_new(db, sql, &error);
    if (!query) fail(sql, error);
    if (!libmsi_query_execute(query, NULL, &error)) fail(sql, error);
    libmsi_query_close(query, NULL);
    g_object_unref(query);
}

static void set_string(LibmsiSummaryInfo *si, LibmsiProperty prop, const char *value) {
    GError *error = NULL;
    if (!libmsi_summary_info_set_string(si, prop, value, &error)) fail("summary string", error);
}

static void set_int(LibmsiSummaryInfo *si, LibmsiProperty prop, int value) {
    GError *error = NULL;
    if (!libmsi_summary_info_set_int(si, prop, value, &error)) fail("summary number", error);
}

typedef struct {
    const char *key;
    const char *path;
} ChangedFile;

typedef struct {
    const char *output;
    const char *platform;
    const char *guid;
    const char *transforms;
    const char *target;
    const char *ca;
    const char *letter;
    const char *display_name;
    const char *product;
    const char *transform_product;
    int disk_id;
    ChangedFile files[32];
    int nfiles;
} Options;

/* Fills a row's values by column name; columns not named stay null. */
static void row_values(const TableSchema *schema, const char **values, const char *const *pairs) {
    for (int i = 0; i < schema->ncols; ++i) {
        values[i] = NULL;
        for (const char *const *p = pairs; *p; p += 2)
            if (!strcmp(schema->names[i], p[0])) values[i] = p[1];
    }
}

static void add_row(Transform *t, const TableSchema *schema, const char *const *pairs, unsigned present) {
    const char *values[24];
    row_values(schema, values, pairs);
    GError *error = NULL;
    if (!transform_add_row(t, schema, values, present, &error)) fail(schema->name, error);
}

static int has_column(const TableSchema *schema, const char *name) {
    for (int i = 0; i < schema->ncols; ++i)
        if (!strcmp(schema->names[i], name)) return 1;
    return 0;
}

/* The cabinet's stream, named by the patch transform's Media row: one per
 * fix, so two fixes' packages never name the same stream. */
static char *cabinet_stream(const Options *o) { return g_strdup_printf("PatchCab_%s", o->letter); }

/* The Media row of the patch: its DiskId follows from the fix id, so the
 * rows of two fixes applied to one product do not collide. */
static int media_disk_id(const Options *o, const Target *target) {
    if (o->disk_id) return o->disk_id;
    guint32 h = 2166136261u;
    for (const char *p = o->letter; *p; ++p) h = (h ^ (guchar)*p) * 16777619u;
    return target->max_disk_id + 1 + (int)(h % 4096);
}

/* The bit of a named column in a row mask. */
static unsigned column_bit(const TableSchema *schema, const char *name) {
    for (int i = 0; i < schema->ncols; ++i)
        if (!strcmp(schema->names[i], name)) return 1u << i;
    fprintf(stderr, "mkpatch: the target's %s table has no %s column\n", schema->name, name);
    exit(1);
}

static void define(TableSchema *schema, const char *name, int nkeys, const char *const *columns) {
    memset(schema, 0, sizeof *schema);
    g_strlcpy(schema->name, name, sizeof schema->name);
    schema->nkeys = nkeys;
    for (const char *const *c = columns; *c; c += 2, ++schema->ncols) {
        g_strlcpy(schema->names[schema->ncols], c[0], sizeof schema->names[0]);
        g_strlcpy(schema->types[schema->ncols], c[1], sizeof schema->types[0]);
    }
}

/* The target's table, or the standard one added by the transform. */
static void table_in_target(Target *target, Transform *t, TableSchema *schema, const char *name,
                            int nkeys, const char *const *standard) {
    if (target_schema(target, name, schema)) return;
    define(schema, name, nkeys, standard);
    transform_add_table(t, schema);
}

static char *make_cabinet(const Options *o, char *work_dir) {
    GPtrArray *argv = g_ptr_array_new_with_free_func(g_free);
    char *cab = g_build_filename(work_dir, "patch.cab", NULL);
    g_ptr_array_add(argv, g_strdup("gcab"));
    g_ptr_array_add(argv, g_strdup("-c"));
    g_ptr_array_add(argv, g_strdup("-n"));
    g_ptr_array_add(argv, g_strdup(cab));
    for (int i = 0; i < o->nfiles; ++i) {
        /* A file in the cabinet is named by its File table key. */
        char *copy = g_build_filename(work_dir, o->files[i].key, NULL);
        gchar *content;
        gsize length;
        GError *error = NULL;
        if (!g_file_get_contents(o->files[i].path, &content, &length, &error) ||
            !g_file_set_contents(copy, content, (gssize)length, &error))
            fail(o->files[i].path, error);
        g_free(content);
        g_ptr_array_add(argv, copy);
    }
    g_ptr_array_add(argv, NULL);
    gint status = 0;
    GError *error = NULL;
    if (!g_spawn_sync(NULL, (gchar **)argv->pdata, NULL, G_SPAWN_SEARCH_PATH, NULL, NULL, NULL, NULL,
                      &status, &error) ||
        !g_spawn_check_wait_status(status, &error))
        fail("gcab", error);
    g_ptr_array_unref(argv);
    return cab;
}

static gsize file_size(const char *path) {
    gchar *content;
    gsize length = 0;
    GError *error = NULL;
    if (!g_file_get_contents(path, &content, &length, &error)) fail(path, error);
    g_free(content);
    return length;
}

/* Target to upgraded: what the fix adds to and changes in the product. */
static Transform *upgrade_transform(const Options *o, Target *target) {
    Transform *t = transform_new();
    static const char *const patch_info[] = {"PatchId", "s72", "Letter", "s72", NULL};
    static const char *const remove_registry[] = {"RemoveRegistry", "s72", "Root", "i2", "Key", "l255",
                                                  "Name", "L255", "Component_", "s72", NULL};
    static const char *const registry[] = {"Registry", "s72", "Root", "i2", "Key", "l255", "Name", "L255",
                                           "Value", "L0", "Component_", "s72", NULL};
    static const char *const binary[] = {"Name", "s72", "Data", "v0", NULL};
    static const char *const custom_action[] = {"Action", "s72", "Type", "i2", "Source", "S72",
                                                "Target", "S255", "ExtendedType", "I4", NULL};
    TableSchema schema;
    /* The custom action reads PatchInfo and carries out its work through
     * temporary Registry and RemoveRegistry rows. */
    table_in_target(target, t, &schema, "PatchInfo", 1, patch_info);
    char *id = g_ascii_strdown(o->guid + (o->guid[0] == '{'), -1);
    if (id[0] && id[strlen(id) - 1] == '}') id[strlen(id) - 1] = 0;
    add_row(t, &schema, (const char *const[]){"PatchId", id, "Letter", o->letter, NULL}, 0);
    g_free(id);
    table_in_target(target, t, &schema, "Registry", 1, registry);
    table_in_target(target, t, &schema, "RemoveRegistry", 1, remove_registry);
    if (o->ca) {
        table_in_target(target, t, &schema, "Binary", 1, binary);
        add_row(t, &schema, (const char *const[]){"Name", CA_BINARY_KEY, "Data", o->ca, NULL}, 0);
        table_in_target(target, t, &schema, "CustomAction", 1, custom_action);
        /* The removal of a patch runs without its transforms unless the
         * action is marked for it (Windows Installer 4.5): without the mark
         * ProductHotfix would keep the letter after /uninstall. A target
         * whose CustomAction table predates the column gets it. */
        if (!has_column(&schema, "ExtendedType")) transform_add_column(t, &schema, "ExtendedType", "I4");
        add_row(t, &schema, (const char *const[]){"Action", CA_ENTRY, "Type", "1", "Source", CA_BINARY_KEY,
                                                  "Target", CA_ENTRY, "ExtendedType", CA_PATCH_UNINSTALL, NULL}, 0);
        if (!target_schema(target, "InstallExecuteSequence", &schema)) fail("InstallExecuteSequence", NULL);
        add_row(t, &schema, (const char *const[]){"Action", CA_ENTRY, "Sequence", CA_SEQUENCE, NULL}, 0);
    }
    if (!target_schema(target, "File", &schema)) fail("the target has no File table", NULL);
    for (int i = 0; i < o->nfiles; ++i) {
        char size[32];
        snprintf(size, sizeof size, "%zu", file_size(o->files[i].path));
        add_row(t, &schema, (const char *const[]){"File", o->files[i].key, "FileSize", size, NULL},
                column_bit(&schema, "FileSize"));
    }
    /* The engine skips an unversioned file whose hash matches the one on
     * record, so the record follows the new content. */
    if (target_schema(target, "MsiFileHash", &schema)) {
        for (int i = 0; i < o->nfiles; ++i) {
            gchar *content;
            gsize length;
            GError *error = NULL;
            if (!g_file_get_contents(o->files[i].path, &content, &length, &error)) fail(o->files[i].path, error);
            guint8 digest[16];
            gsize digest_length = sizeof digest;
            GChecksum *md5 = g_checksum_new(G_CHECKSUM_MD5);
            g_checksum_update(md5, (const guchar *)content, length);
            g_checksum_get_digest(md5, digest, &digest_length);
            g_checksum_free(md5);
            g_free(content);
            char parts[4][16];
            for (int k = 0; k < 4; ++k) {
                guint32 v = digest[4 * k] | digest[4 * k + 1] << 8 | digest[4 * k + 2] << 16 |
                            (guint32)digest[4 * k + 3] << 24;
                snprintf(parts[k], sizeof parts[k], "%d", (gint32)v);
            }
            add_row(t, &schema, (const char *const[]){"File_", o->files[i].key, "Options", "0",
                                                      "HashPart1", parts[0], "HashPart2", parts[1],
                                                      "HashPart3", parts[2], "HashPart4", parts[3], NULL}, 0);
        }
    }
    transform_finish(t, 1252);
    return t;
}

/* The patch transform: where the engine finds the new files. */
static Transform *patch_transform(const Options *o, Target *target) {
    Transform *t = transform_new();
    static const char *const patch_package[] = {"PatchId", "s38", "Media_", "i2", NULL};
    TableSchema schema;
    char disk[16], last[16];
    snprintf(disk, sizeof disk, "%d", media_disk_id(o, target));
    char *stream = cabinet_stream(o);
    char *cabinet = g_strdup_printf("#%s", stream);
    snprintf(last, sizeof last, "%d", target->last_sequence + o->nfiles);
    table_in_target(target, t, &schema, "PatchPackage", 1, patch_package);
    add_row(t, &schema, (const char *const[]){"PatchId", o->guid, "Media_", disk, NULL}, 0);
    if (!target_schema(target, "Media", &schema)) fail("the target has no Media table", NULL);
    add_row(t, &schema, (const char *const[]){"DiskId", disk, "LastSequence", last, "Cabinet", cabinet,
                                              "Source", "PATCHMediaSrcProp", NULL}, 0);
    g_free(cabinet);
    g_free(stream);
    if (!target_schema(target, "File", &schema)) fail("the target has no File table", NULL);
    for (int i = 0; i < o->nfiles; ++i) {
        char sequence[16];
        snprintf(sequence, sizeof sequence, "%d", target->last_sequence + 1 + i);
        add_row(t, &schema, (const char *const[]){"File", o->files[i].key, "Sequence", sequence, NULL},
                column_bit(&schema, "Sequence"));
    }
    transform_finish(t, 1252);
    return t;
}

static void write_database(const Options *o, const char *path, const char *product) {
    const int x64 = !strcmp(o->platform, "x64");
    const char *family = x64 ? "ZEP8x64fix" : "ZEP8x86fix";
    remove(path);
    GError *error = NULL;
    LibmsiDatabase *db =
        libmsi_database_new(path, LIBMSI_DB_FLAGS_CREATE | LIBMSI_DB_FLAGS_PATCH, NULL, &error);
    if (!db) fail(path, error);

    run(db, "CREATE TABLE `MsiPatchMetadata` (`Company` CHAR(72), `Property` CHAR(72) NOT NULL, "
            "`Value` LONGCHAR NOT NULL PRIMARY KEY `Company`, `Property`)");
    char description[128];
    snprintf(description, sizeof description, "Private fix %s for ZEP 8", o->letter);
    const char *metadata[][2] = {
        {"AllowRemoval", "1"},
        {"Classification", "Hotfix"},
        {"DisplayName", o->display_name},
        {"Description", description},
        {"ManufacturerName", "TorvellanLab"},
        {"TargetProductName", "ZEP 8"},
        {"MoreInfoURL", "http://www.torvellanlab.com"},
    };
    for (size_t i = 0; i < sizeof metadata / sizeof metadata[0]; ++i) {
        char sql[512];
        snprintf(sql, sizeof sql,
                 "INSERT INTO `MsiPatchMetadata` (`Property`, `Value`) VALUES ('%s', '%s')",
                 metadata[i][0], metadata[i][1]);
        run(db, sql);
    }
    run(db, "CREATE TABLE `MsiPatchSequence` (`PatchFamily` CHAR(72) NOT NULL, `ProductCode` CHAR(38), "
            "`Sequence` CHAR(72) NOT NULL, `Attributes` INT PRIMARY KEY `PatchFamily`, `ProductCode`)");
    char sql[512];
    snprintf(sql, sizeof sql,
             "INSERT INTO `MsiPatchSequence` (`PatchFamily`, `ProductCode`, `Sequence`, `Attributes`) "
             "VALUES ('%s', '%s', '8.1.0.831', 0)", family, product);
    run(db, sql);

    LibmsiSummaryInfo *si = libmsi_summary_info_new(db, 16, &error);
    if (!si) fail("summary information", error);
    char subject[128];
    snprintf(subject, sizeof subject, "ZEP 8 private fix %s", o->letter);
    set_int(si, LIBMSI_PROPERTY_CODEPAGE, 1252);
    set_string(si, LIBMSI_PROPERTY_TITLE, "Patch");
    set_string(si, LIBMSI_PROPERTY_SUBJECT, subject);
    set_string(si, LIBMSI_PROPERTY_AUTHOR, "TorvellanLab");
    set_string(si, LIBMSI_PROPERTY_KEYWORDS, "Installer,Patching,PCP");
    set_string(si, LIBMSI_PROPERTY_COMMENTS, description);
    set_string(si, LIBMSI_PROPERTY_TEMPLATE, product);
    set_string(si, LIBMSI_PROPERTY_LASTAUTHOR, o->transforms);
    if (o->guid) set_string(si, LIBMSI_PROPERTY_UUID, o->guid);
    set_int(si, LIBMSI_PROPERTY_VERSION, 4);   /* word count: patch schema */
    set_int(si, LIBMSI_PROPERTY_SECURITY, 2);
    if (!libmsi_summary_info_persist(si, &error)) fail("summary information", error);
    g_object_unref(si);

    if (!libmsi_database_commit(db, &error)) fail("commit", error);
    g_object_unref(db);
}

static void write_genuine(const Options *o) {
    Target target;
    GError *error = NULL;
    if (!target_open(&target, o->target, &error)) fail(o->target, error);
    for (int i = 0; i < o->nfiles; ++i)
        if (!target_has_file(&target, o->files[i].key)) {
            fprintf(stderr, "mkpatch: %s has no file %s\n", o->target, o->files[i].key);
            exit(1);
        }
    /* The patch names the product it was made for; --product makes one for
     * another product (the engine then registers it without applying it). */
    const char *product = o->product ? o->product : target.product_code;

    char *work_dir = g_dir_make_tmp("mkpatch-XXXXXX", &error);
    if (!work_dir) fail("temporary folder", error);
    char *database = g_build_filename(work_dir, "patch.db", NULL);
    write_database(o, database, product);
    char *cabinet = o->nfiles ? make_cabinet(o, work_dir) : NULL;

    /* --transform-product makes transforms that validate against another
     * product while the package still names this one. */
    const char *validated = o->transform_product ? o->transform_product : product;
    char *revision = g_strdup_printf("%s%s;%s%s;%s", validated, target.version, validated, target.version,
                                     target.upgrade_code);
    /* CharCount: validate language, product, platform and minor version. */
    const guint32 validation = 0x09220017;
    const char *upgrade_name = strchr(o->transforms, ':') ? strchr(o->transforms, ':') + 1 : o->transforms;
    char *names = g_strdup(upgrade_name);
    char *end = strchr(names, ';');
    if (end) *end = 0;
    char *patch_name = g_strdup_printf("#%s", names);
    PatchTransform transforms[2] = {
        {names, upgrade_transform(o, &target),
         transform_summary(target.template_, target.template_, revision, validation)},
        {patch_name, patch_transform(o, &target),
         transform_summary(target.template_, target.template_, revision, validation)},
    };
    remove(o->output);
    char *stream = cabinet_stream(o);
    if (!write_patch_storage(database, o->output, stream, cabinet, transforms, 2, &error))
        fail(o->output, error);
    g_free(stream);
    for (int i = 0; i < 2; ++i) {
        transform_free(transforms[i].transform);
        g_byte_array_unref(transforms[i].summary);
    }
    /* Leave no scratch files behind. */
    GDir *dir = g_dir_open(work_dir, 0, NULL);
    const char *entry;
    while (dir && (entry = g_dir_read_name(dir))) {
        char *p = g_build_filename(work_dir, entry, NULL);
        remove(p);
        g_free(p);
    }
    if (dir) g_dir_close(dir);
    rmdir(work_dir);
    g_free(names);
    g_free(patch_name);
    g_free(revision);
    g_free(cabinet);
    g_free(database);
    g_free(work_dir);
    target_close(&target);
}

int main(int argc, char **argv) {
    Options o = {.platform = "x86", .guid = PATCH_GUID, .letter = "hf41"};
    for (int i = 1; i < argc; ++i) {
        const char *a = argv[i];
        const int more = i + 1 < argc;
        if (!strcmp(a, "--help") || !strcmp(a, "-h")) {
            fputs(USAGE, stdout);
            fputs("\n", stdout);
            fputs(HELP, stdout);
            return 0;
        }
        if (!strcmp(a, "--platform") && more) o.platform = argv[++i];
        else if (!strcmp(a, "--guid") && more) o.guid = argv[++i];
        else if (!strcmp(a, "--no-guid")) o.guid = NULL;
        else if (!strcmp(a, "--transforms") && more) o.transforms = argv[++i];
        else if (!strcmp(a, "--target") && more) o.target = argv[++i];
        else if (!strcmp(a, "--ca") && more) o.ca = argv[++i];
        else if (!strcmp(a, "--letter") && more) o.letter = argv[++i];
        else if (!strcmp(a, "--disk-id") && more) o.disk_id = atoi(argv[++i]);
        else if (!strcmp(a, "--display-name") && more) o.display_name = argv[++i];
        else if (!strcmp(a, "--product") && more) o.product = argv[++i];
        else if (!strcmp(a, "--transform-product") && more) o.transform_product = argv[++i];
        else if (!strcmp(a, "--file") && more && o.nfiles < 32 && strchr(argv[i + 1], '=')) {
            char *spec = argv[++i];
            char *eq = strchr(spec, '=');
            *eq = 0;
            o.files[o.nfiles].key = spec;
            o.files[o.nfiles++].path = eq + 1;
        } else if (a[0] != '-' && !o.output) o.output = a;
        else {
            fputs(USAGE, stderr);
            return 2;
        }
    }
    if (!o.output || (strcmp(o.platform, "x86") && strcmp(o.platform, "x64")) || (o.target && !o.guid) ||
        o.disk_id < 0 || o.disk_id > 32767) {
        fputs(USAGE, stderr);
        return 2;
    }
    const int x64 = !strcmp(o.platform, "x64");
    if (!o.transforms)
        o.transforms = x64 ? ":ZEP8x64rtmToZEP8x64fix;:#ZEP8x64rtmToZEP8x64fix"
                           : ":ZEP8x86rtmToZEP8x86fix;:#ZEP8x86rtmToZEP8x86fix";
    char display[160];
    if (!o.display_name) {
        snprintf(display, sizeof display, "ZEP 8 private fix (Patch %s)", o.letter);
        o.display_name = display;
    }
    if (o.target) write_genuine(&o);
    else write_database(&o, o.output, o.product ? o.product : PRODUCT_CODE);
    return 0;
}
