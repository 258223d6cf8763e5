/* mkpatch: writes a Windows Installer patch database (".msp" compound file,
 * patch class id) with the summary information and metadata tables by which
 * the patcher and the installer recognise the ZEP 8 fix:
 *   Template     target product code(s)
 *   LastAuthor   transform list
 *   Revision     patch GUID
 *   MsiPatchMetadata, MsiPatchSequence rows.
 * The transform storages that change the product's files are not written
 * here; a package made by this tool is recognised, not applied.
 *
 * usage: mkpatch OUTPUT [--platform x86|x64] [--guid TEXT | --no-guid] [--transforms LIST]
 */
#include <libmsi.h>

#include <stdio.h>
#include <stdlib.h>
#include <string.h>

#define PRODUCT_CODE "{D72DD679-A3EC-4FCF-AFAF-12E2552450B6}"
#define PATCH_GUID "{A623E528-4926-4E76-92A1-A9220E993BE6}"

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

int main(int argc, char **argv) {
    const char *output = NULL;
    const char *platform = "x86";
    const char *guid = PATCH_GUID;
    const char *transforms = NULL;
    for (int i = 1; i < argc; ++i) {
        if (!strcmp(argv[i], "--platform") && i + 1 < argc) platform = argv[++i];
        else if (!strcmp(argv[i], "--guid") && i + 1 < argc) guid = argv[++i];
        else if (!strcmp(argv[i], "--no-guid")) guid = NULL;
        else if (!strcmp(argv[i], "--transforms") && i + 1 < argc) transforms = argv[++i];
        else if (argv[i][0] != '-' && !output) output = argv[i];
        else {
            fprintf(stderr, "usage: mkpatch OUTPUT [--platform x86|x64] [--guid TEXT | --no-guid] [--transforms LIST]\n");
            return 2;
        }
    }
    if (!output || (strcmp(platform, "x86") && strcmp(platform, "x64"))) {
        fprintf(stderr, "usage: mkpatch OUTPUT [--platform x86|x64] [--guid TEXT | --no-guid] [--transforms LIST]\n");
        return 2;
    }
    const int x64 = !strcmp(platform, "x64");
    if (!transforms)
        transforms = x64 ? ":ZEP8x64rtmToZEP8x64fix;:#ZEP8x64rtmToZEP8x64fix"
                         : ":ZEP8x86rtmToZEP8x86fix;:#ZEP8x86rtmToZEP8x86fix";
    const char *family = x64 ? "ZEP8x64fix" : "ZEP8x86fix";

    remove(output);
    GError *error = NULL;
    LibmsiDatabase *db =
        libmsi_database_new(output, LIBMSI_DB_FLAGS_CREATE | LIBMSI_DB_FLAGS_PATCH, NULL, &error);
    if (!db) fail(output, error);

    run(db, "CREATE TABLE `MsiPatchMetadata` (`Company` CHAR(72), `Property` CHAR(72) NOT NULL, "
            "`Value` LONGCHAR NOT NULL PRIMARY KEY `Company`, `Property`)");
    const char *metadata[][2] = {
        {"AllowRemoval", "1"},
        {"Classification", "Hotfix"},
        {"DisplayName", "ZEP 8 private fix (Patch hf41)"},
        {"Description", "Private fix hf41 for ZEP 8"},
        {"ManufacturerName", "TorvellanLab"},
        {"TargetProductName", "ZEP 8"},
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
             "VALUES ('%s', '%s', '8.1.0.831', 0)", family, PRODUCT_CODE);
    run(db, sql);

    LibmsiSummaryInfo *si = libmsi_summary_info_new(db, 16, &error);
    if (!si) fail("summary information", error);
    set_int(si, LIBMSI_PROPERTY_CODEPAGE, 1252);
    set_string(si, LIBMSI_PROPERTY_TITLE, "Patch");
    set_string(si, LIBMSI_PROPERTY_SUBJECT, "ZEP 8 private fix hf41");
    set_string(si, LIBMSI_PROPERTY_AUTHOR, "TorvellanLab");
    set_string(si, LIBMSI_PROPERTY_KEYWORDS, "Installer,Patching,PCP");
    set_string(si, LIBMSI_PROPERTY_COMMENTS, "Private fix hf41 for ZEP 8");
    set_string(si, LIBMSI_PROPERTY_TEMPLATE, PRODUCT_CODE);
    set_string(si, LIBMSI_PROPERTY_LASTAUTHOR, transforms);
    if (guid) set_string(si, LIBMSI_PROPERTY_UUID, guid);
    set_int(si, LIBMSI_PROPERTY_VERSION, 4);   /* word count: patch schema */
    set_int(si, LIBMSI_PROPERTY_SECURITY, 2);
    if (!libmsi_summary_info_persist(si, &error)) fail("summary information", error);
    g_object_unref(si);

    if (!libmsi_database_commit(db, &error)) fail("commit", error);
    g_object_unref(db);
    return 0;
}
