/* Faults of the virtual mouse beyond vmouse_fail_next. */
#ifndef VMOUSEFAULTS_H
#define VMOUSEFAULTS_H

#ifdef __cplusplus
extern "C" {
#endif

/* A mouse that stops answering: the next hid_get_feature_report, hid_read or hid_read_timeout
 * that reaches a device blocks for `ms` milliseconds whatever its own time-out (less if the
 * mouse is unplugged or vmouse_reset runs meanwhile), writes an `error ... stalled` line and
 * fails with -1. One call only; 0 cancels a stall not yet taken. */
void vmouse_stall(int ms);

/* The same, taken only by a call on a command interface: the event thread's reads of the event
 * interface, which run all the time, pass it by. */
void vmouse_stall_command(int ms);

#ifdef __cplusplus
}
#endif

#endif
