/* An ALSA control plugin for the tests: a card with one "Master" element (playback volume
 * 0..87 on two channels and a playback switch) held in memory, so that the real ALSA mixer
 * code can run on a machine without a sound card. */
#include <alsa/asoundlib.h>
#include <alsa/control_external.h>
#include <errno.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

enum { VOLUME = 0, SWITCH = 1, COUNT = 2 };

/* Kept for the life of the process, so that a second open sees what the first wrote. */
static long g_volume[2] = {40, 40};
static long g_switch[2] = {1, 1};

typedef struct {
    snd_ctl_ext_t ext;
    int fds[2];
} test_ctl_t;

static const char* const names[COUNT] = {"Master Playback Volume", "Master Playback Switch"};

static void tc_close(snd_ctl_ext_t* ext)
{
    test_ctl_t* t = ext->private_data;
    close(t->fds[0]);
    close(t->fds[1]);
    free(t);
}

static int tc_elem_count(snd_ctl_ext_t* ext) { (void)ext; return COUNT; }

static int tc_elem_list(snd_ctl_ext_t* ext, unsigned int offset, snd_ctl_elem_id_t* id)
{
    (void)ext;
    snd_ctl_elem_id_set_interface(id, SND_CTL_ELEM_IFACE_MIXER);
    snd_ctl_elem_id_set_name(id, names[offset]);
    return 0;
}

static snd_ctl_ext_key_t tc_find_elem(snd_ctl_ext_t* ext, const snd_ctl_elem_id_t* id)
{
    (void)ext;
    const char* name = snd_ctl_elem_id_get_name(id);
    for (int i = 0; i < COUNT; ++i)
        if (strcmp(name, names[i]) == 0)
            return i;
    return SND_CTL_EXT_KEY_NOT_FOUND;
}

static int tc_get_attribute(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, int* type, unsigned int* acc,
                            unsigned int* count)
{
    (void)ext;
    *type = key == VOLUME ? SND_CTL_ELEM_TYPE_INTEGER : SND_CTL_ELEM_TYPE_BOOLEAN;
    *acc = SND_CTL_EXT_ACCESS_READWRITE;
    *count = 2;
    return 0;
}

static int tc_get_integer_info(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* imin, long* imax, long* istep)
{
    (void)ext;
    *istep = 1;
    *imin = 0;
    *imax = key == VOLUME ? 87 : 1;
    return 0;
}

static int tc_read_integer(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value)
{
    (void)ext;
    memcpy(value, key == VOLUME ? g_volume : g_switch, sizeof g_volume);
    return 0;
}

static int tc_write_integer(snd_ctl_ext_t* ext, snd_ctl_ext_key_t key, long* value)
{
    (void)ext;
    long* target = key == VOLUME ? g_volume : g_switch;
    const int changed = memcmp(target, value, sizeof g_volume) != 0;
    memcpy(target, value, sizeof g_volume);
    return changed;
}

static int tc_read_event(snd_ctl_ext_t* ext, snd_ctl_elem_id_t* id, unsigned int* mask)
{
    (void)ext; (void)id; (void)mask;
    return -EAGAIN;
}

static const snd_ctl_ext_callback_t callbacks = {
    .close = tc_close,
    .elem_count = tc_elem_count,
    .elem_list = tc_elem_list,
    .find_elem = tc_find_elem,
    .get_attribute = tc_get_attribute,
    .get_integer_info = tc_get_integer_info,
    .read_integer = tc_read_integer,
    .write_integer = tc_write_integer,
    .read_event = tc_read_event,
};

SND_CTL_PLUGIN_DEFINE_FUNC(zorvotest)
{
    (void)root; (void)conf;
    test_ctl_t* t = calloc(1, sizeof *t);
    if (!t)
        return -ENOMEM;
    if (pipe(t->fds) < 0) {
        free(t);
        return -errno;
    }
    t->ext.version = SND_CTL_EXT_VERSION;
    t->ext.card_idx = 0;
    strcpy(t->ext.id, "ZorvoTest");
    strcpy(t->ext.driver, "ZorvoTest");
    strcpy(t->ext.name, "Zorvo test mixer");
    strcpy(t->ext.longname, "Zorvo test mixer");
    strcpy(t->ext.mixername, "Zorvo test mixer");
    t->ext.poll_fd = t->fds[0];
    t->ext.callback = &callbacks;
    t->ext.private_data = t;
    const int err = snd_ctl_ext_create(&t->ext, name, mode);
    if (err < 0) {
        close(t->fds[0]);
        close(t->fds[1]);
        free(t);
        return err;
    }
    *handlep = t->ext.handle;
    return 0;
}

SND_CTL_PLUGIN_SYMBOL(zorvotest);
