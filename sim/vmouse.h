/* The virtual mouse: a simulated mouse firmware behind the hidapi C API.
 * Link libvmouse.so instead of hidapi (tests), or preload it in front of a program
 * (LD_PRELOAD=.../libvmouse.so mousecfg-cli status). */
#ifndef VMOUSE_H
#define VMOUSE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

int    vmouse_plug(unsigned short vid, unsigned short pid,
                   unsigned short usagePage, unsigned short usage,
                   unsigned short usagePage2, unsigned short usage2,
                   int reportLength);                       /* returns a mouse id >= 0 */
void   vmouse_unplug(int id);
int    vmouse_add_decoy(unsigned short vid, unsigned short pid,
                        unsigned short usagePage, unsigned short usage);
void   vmouse_reset(void);                 /* unplug all, clear trace, state and faults */
void   vmouse_push_event(int id, unsigned char b0, unsigned char b1,
                         unsigned char b2, unsigned char b3);
void   vmouse_press_dpi_button(int id, int level);  /* firmware level change + event 4,1,0,level */
void   vmouse_fail_next(const char *operation, int count); /* "open","feature","write","get_feature","read";
                                                          "short_feature": answers of 2 bytes;
                                                          "unplug_at_write": the mouse is unplugged
                                                          as the next interrupt write begins */
size_t vmouse_trace(char *buffer, size_t size);   /* copies the trace, returns its full length */
int    vmouse_trace_to_file(const char *path);    /* appends every later line to path too (as
                                                    VMOUSE_TRACE does); 0, or -1 when it cannot */
unsigned vmouse_enumerations(void);     /* hid_enumerate calls since load or the last reset */

#ifdef __cplusplus
}
#endif

#endif
