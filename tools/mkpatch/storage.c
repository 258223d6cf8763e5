#include "storage.h"

#include <gsf/gsf-infile-msole.h>
#include <gsf/gsf-infile.h>
#include <gsf/gsf-input-stdio.h>
#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-stdio.h>
#include <gsf/gsf-utils.h>

#include <string.h>

static int mime_index(gunichar c) {
    if (c >= '0' && c <= '9') return (int)(c - '0');
    if (c >= 'A' && c <= 'Z') return (int)(c - 'A' + 10);
    if (c >= 'a' && c <= 'z') return (int)(c - 'a' + 36);
    if (c == '.') return 62;
    if (c == '_') return 63;
    return -1;
}

char *encode_stream_name(const char *name, gboolean is_table) {
    GString *out = g_string_new(NULL);
    if (is_table) g_string_append_unichar(out, 0x4840);
    for (const char *p = name; *p; ++p) {
        int first = mime_index((guchar)*p);
        if (first < 0) {
            g_string_append_unichar(out, (guchar)*p);
            continue;
        }
        int second = p[1] ? mime_index((guchar)p[1]) : -1;
        if (second >= 0) {
            g_string_append_unichar(out, 0x3800 + first + (second << 6));
            ++p;
        } else {
            g_string_append_unichar(out, 0x4800 + first);
        }
    }
    return g_string_free(out, FALSE);
}

static gboolean write_bytes(GsfOutfile *parent, const char *name, const guint8 *data, gsize size) {
    GsfOutput *child = gsf_outfile_new_child(parent, name, FALSE);
    gboolean ok = child && gsf_output_write(child, size, data) && gsf_output_close(child);
    if (child) g_object_unref(child);
    return ok;
}

static gboolean copy_tree(GsfInfile *in, GsfOutfile *out) {
    for (int i = 0; i < gsf_infile_num_children(in); ++i) {
        GsfInput *child = gsf_infile_child_by_index(in, i);
        const char *name = gsf_infile_name_by_index(in, i);
        gboolean ok;
        if (GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0) {
            GsfOutfile *sub = GSF_OUTFILE(gsf_outfile_new_child(out, name, TRUE));
            guint8 clsid[16];
            if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(child), clsid))
                gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(sub), clsid);
            ok = copy_tree(GSF_INFILE(child), sub) && gsf_output_close(GSF_OUTPUT(sub));
            g_object_unref(sub);
        } else {
            GsfOutput *dst = gsf_outfile_new_child(out, name, FALSE);
            ok = gsf_input_copy(child, dst) && gsf_output_close(dst);
            g_object_unref(dst);
        }
        g_object_unref(child);
        if (!ok) return FALSE;
    }
    return TRUE;
}

static gboolean write_transform(GsfOutfile *root, const PatchTransform *pt) {
    static const guint8 transform_class[16] = {0x82, 0x10, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                                               0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
    GsfOutfile *sub = GSF_OUTFILE(gsf_outfile_new_child(root, pt->name, TRUE));
    gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(sub), transform_class);
    gboolean ok = TRUE;
    for (guint i = 0; ok && i < pt->transform->streams->len; ++i) {
        TransformStream *s = g_ptr_array_index(pt->transform->streams, i);
        if (s->is_table && s->data->len == 0) continue;
        char *encoded = encode_stream_name(s->name, s->is_table);
        ok = write_bytes(sub, encoded, s->data->data, s->data->len);
        g_free(encoded);
    }
    ok = ok && write_bytes(sub, "\005SummaryInformation", pt->summary->data, pt->summary->len);
    ok = gsf_output_close(GSF_OUTPUT(sub)) && ok;
    g_object_unref(sub);
    return ok;
}

gboolean write_patch_storage(const char *database_file, const char *output,
                             const char *cabinet_stream, const char *cabinet_file,
                             const PatchTransform *transforms, int count, GError **error) {
    gsf_init();
    GsfInput *input = gsf_input_stdio_new(database_file, error);
    if (!input) return FALSE;
    GsfInfile *in = gsf_infile_msole_new(input, error);
    g_object_unref(input);
    if (!in) return FALSE;
    GsfOutput *sink = gsf_output_stdio_new(output, error);
    if (!sink) { g_object_unref(in); return FALSE; }
    GsfOutfile *out = gsf_outfile_msole_new(sink);
    g_object_unref(sink);

    guint8 clsid[16];
    if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(in), clsid))
        gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(out), clsid);
    gboolean ok = copy_tree(in, out);
    if (ok && cabinet_file) {
        gchar *content;
        gsize length;
        ok = g_file_get_contents(cabinet_file, &content, &length, error);
        if (ok) {
            char *encoded = encode_stream_name(cabinet_stream, FALSE);
            ok = write_bytes(out, encoded, (const guint8 *)content, length);
            g_free(encoded);
            g_free(content);
        }
    }
    for (int i = 0; ok && i < count; ++i) ok = write_transform(out, &transforms[i]);
    ok = gsf_output_close(GSF_OUTPUT(out)) && ok;
    g_object_unref(out);
    g_object_unref(in);
    if (!ok && error && !*error) g_set_error(error, G_FILE_ERROR, G_FILE_ERROR_IO, "writing %s failed", output);
    return ok;
}
