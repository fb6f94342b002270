/*
 * An ALSA control plugin that presents a small sound card to alsa-lib, so
 * that the mixer layer can be tested through the real simple-mixer API
 * without hardware. Values live as long as the opened control, or, when
 * TONMARK_FAKE_CTL_STATE names a file, in that file, so that a second open
 * sees what the first one set (as with a real card).
 *
 *   ctl_type.tonmarkfake { lib "/path/to/libasound_module_ctl_tonmarkfake.so" }
 *   ctl.tonmarkfake { type tonmarkfake }
 */
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum kind { INT, BOOL, ENUM };

struct elem {
    const char* name;
    enum kind kind;
    unsigned count;
    long min, max;
    int inactive;
};

static const struct elem elems[] = {
    {"Master Playback Volume", INT, 2, 0, 65535, 0},
    {"Master Playback Switch", BOOL, 2, 0, 1, 0},
    {"PCM Playback Volume", INT, 2, 0, 255, 0},
    {"PCM Playback Switch", BOOL, 2, 0, 1, 0},
    {"Bass Playback Volume", INT, 2, 0, 100, 0},
    {"Treble Playback Volume", INT, 2, 0, 100, 0},
    {"Mic Playback Volume", INT, 2, 0, 31, 0},
    {"Mic Playback Switch", BOOL, 2, 0, 1, 0},
    {"Mic Capture Volume", INT, 2, 0, 31, 0},
    {"Mic Capture Switch", BOOL, 2, 0, 1, 0},
    {"Line Playback Volume", INT, 1, 0, 31, 0}, /* mono: one value for all */
    {"Line Playback Switch", BOOL, 1, 0, 1, 0},
    {"CD Playback Volume", INT, 2, 0, 31, 0},
    {"CD Playback Switch", BOOL, 2, 0, 1, 0},
    {"Aux Playback Volume", INT, 2, 0, 31, 1},  /* disabled by the driver */
    {"Beep Playback Switch", BOOL, 1, 0, 1, 1}, /* the PC speaker's, disabled */
    {"Surround Playback Volume", INT, 6, 0, 100, 0},
    {"Capture Volume", INT, 2, 0, 63, 0},
    {"Capture Switch", BOOL, 2, 0, 1, 0},
    {"Capture Source", ENUM, 1, 0, 4, 0},
};
#define NELEMS (sizeof elems / sizeof elems[0])
static const char* const sources[] = {"Mic", "Line", "CD", "Aux", "Mix"};

struct fake {
    snd_ctl_ext_t ext;
    int fds[2];
    long values[NELEMS][8];
};

static void fake_close(snd_ctl_ext_t* ext) {
    struct fake* f = ext->private_data;
    close(f->fds[0]);
    close(f->fds[1]);
    free(f);
}

static int fake_elem_count(snd_ctl_ext_t* ext) {
    (void)ext;
    return NELEMS;
}

static int fake_elem_list(snd_ctl_ext_t* ext, unsigned int offset, snd_ctl_elem_id_t* id) {
    (void)ext;
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    if (offset < NELEMS)
        snd_ctl_elem_id_set_name(id, elems[offset].name);
    return 0;
}

static snd_ctl_ext_key_t fake_find_elem(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id) {
    (void)ext;
    const unsigned numid = snd_ctl_elem_id_get_numid(id);
    if (numid > 0 && numid <= NELEMS)
        return numid - 1;
    const char* name = snd_ctl_elem_id_get_name(id);
    for (unsigned i = 0; i < NELEMS; ++i)
        if (!strcmp(name, elems[i].name))
            return i;
    return SND_CTL_EXT_KEY_NOT_FOUND;
}

static int fake_get_attribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type,
                              unsigned int* acc, unsigned int* count) {
    (void)ext;
    const struct elem* e = &elems[key];
    *type = e->kind == INT    ? SND_CTL_ELEM_TYPE_INTEGER
            : e->kind == BOOL ? SND_CTL_ELEM_TYPE_BOOLEAN
                              : SND_CTL_ELEM_TYPE_ENUMERATED;
    *acc = SND_CTL_EXT_ACCESS_READWRITE | (e->inactive ? SND_CTL_EXT_ACCESS_INACTIVE : 0);
    *count = e->count;
    return 0;
}

static int fake_get_integer_info(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* imin, long* imax,
                                 long* istep) {
    (void)ext;
    *imin = elems[key].min;
    *imax = elems[key].max;
    *istep = 1;
    return 0;
}

static int fake_get_enumerated_info(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key,
                                    unsigned int* items) {
    (void)ext;
    (void)key;
    *items = sizeof sources / sizeof sources[0];
    return 0;
}

static int fake_get_enumerated_name(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int item,
                                    char* name, size_t max) {
    (void)ext;
    (void)key;
    if (item >= sizeof sources / sizeof sources[0])
        return -EINVAL;
    snprintf(name, max, "%s", sources[item]);
    return 0;
}

static int fake_read_integer(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
    struct fake* f = ext->private_data;
    memcpy(value, f->values[key], elems[key].count * sizeof(long));
    return 0;
}

static void save(const struct fake* f) {
    const char* path = getenv("TONMARK_FAKE_CTL_STATE");
    if (!path)
        return;
    FILE* out = fopen(path, "wb");
    if (!out)
        return;
    fwrite(f->values, sizeof f->values, 1, out);
    fclose(out);
}

static void load(struct fake* f) {
    const char* path = getenv("TONMARK_FAKE_CTL_STATE");
    FILE* in = path ? fopen(path, "rb") : NULL;
    if (!in)
        return;
    long values[NELEMS][8];
    if (fread(values, sizeof values, 1, in) == 1)
        memcpy(f->values, values, sizeof values);
    fclose(in);
}

static int fake_write_integer(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value) {
    struct fake* f = ext->private_data;
    int changed = memcmp(f->values[key], value, elems[key].count * sizeof(long)) != 0;
    memcpy(f->values[key], value, elems[key].count * sizeof(long));
    save(f);
    return changed;
}

static int fake_read_enumerated(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items) {
    struct fake* f = ext->private_data;
    for (unsigned i = 0; i < elems[key].count; ++i)
        items[i] = (unsigned)f->values[key][i];
    return 0;
}

static int fake_write_enumerated(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, unsigned int* items) {
    struct fake* f = ext->private_data;
    int changed = 0;
    for (unsigned i = 0; i < elems[key].count; ++i) {
        changed |= f->values[key][i] != (long)items[i];
        f->values[key][i] = items[i];
    }
    save(f);
    return changed;
}

static int fake_read_event(snd_ctl_ext_t* ext, snd_ctl_elem_id_t* id, unsigned int* mask) {
    (void)ext;
    (void)id;
    (void)mask;
    return -EAGAIN;
}

static const snd_ctl_ext_callback_t callbacks = {
    .close = fake_close,
    .elem_count = fake_elem_count,
    .elem_list = fake_elem_list,
    .find_elem = fake_find_elem,
    .get_attribute = fake_get_attribute,
    .get_integer_info = fake_get_integer_info,
    .get_enumerated_info = fake_get_enumerated_info,
    .get_enumerated_name = fake_get_enumerated_name,
    .read_integer = fake_read_integer,
    .read_enumerated = fake_read_enumerated,
    .write_integer = fake_write_integer,
    .write_enumerated = fake_write_enumerated,
    .read_event = fake_read_event,
};

SND_CTL_PLUGIN_DEFINE_FUNC(tonmarkfake) {
    (void)root;
    (void)conf;
    struct fake* f = calloc(1, sizeof *f);
    if (!f)
        return -ENOMEM;
    if (pipe(f->fds) < 0) {
        free(f);
        return -errno;
    }
    /* Start from a recognisable state: half volumes, switches on. */
    for (unsigned i = 0; i < NELEMS; ++i)
        for (unsigned c = 0; c < elems[i].count; ++c)
            f->values[i][c] = elems[i].kind == BOOL   ? 1
                              : elems[i].kind == ENUM ? 0
                                                      : elems[i].max / 2;
    load(f);
    f->ext.version = SND_CTL_EXT_VERSION;
    f->ext.card_idx = 0;
    strcpy(f->ext.id, "TonmarkFake");
    strcpy(f->ext.driver, "tonmarkfake");
    strcpy(f->ext.name, "Tonmark Test Card");
    strcpy(f->ext.longname, "Tonmark Test Card for the mixer tests");
    strcpy(f->ext.mixername, "Tonmark Test Mixer");
    f->ext.poll_fd = f->fds[0];
    f->ext.callback = &callbacks;
    f->ext.private_data = f;
    int err = snd_ctl_ext_create(&f->ext, name, mode);
    if (err < 0) {
        close(f->fds[0]);
        close(f->fds[1]);
        free(f);
        return err;
    }
    *handlep = f->ext.handle;
    return 0;
}

SND_CTL_PLUGIN_SYMBOL(tonmarkfake);
