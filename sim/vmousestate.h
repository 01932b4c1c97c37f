/* What the virtual mouse's firmware holds, for tests to compare with what the program shows. */
#ifndef VMOUSESTATE_H
#define VMOUSESTATE_H

#include <stddef.h>

#ifdef __cplusplus
extern "C" {
#endif

struct vmouse_state {
    unsigned char reportRate;        /* rate code of command 1 */
    unsigned char keys[16][4];       /* per button: kind, param1, param2, param3 (decoded from the wire order) */
    unsigned char dpiX[8], dpiY[8];  /* DPI codes per level */
    unsigned char xHighMask, yHighMask;
    unsigned char enableMask, currentLevel;
    unsigned char lightMode, lightSlot, lightBrightness, lightSpeed;
    unsigned char colors[64];        /* data of the last colour command */
    unsigned char macros[16][192];   /* data of the last macro command per button */
    unsigned int  commands;          /* commands accepted so far */
    unsigned int  errors;            /* error lines written to the trace so far */
};

/* Copies the state of mouse `id`; returns 0, or -1 for an unknown id. */
int vmouse_get_state(int id, struct vmouse_state *out);

#ifdef __cplusplus
}
#endif

#endif
