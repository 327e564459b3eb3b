// The order in which the module's static objects are built when the library
// is mapped (and destroyed, in reverse, when it is unmapped). The values are
// GCC initialisation priorities: lower runs first, and every one runs before
// objects without a priority.
#pragma once

// The string table and dialog templates are part of the image, present
// before any code of the module runs.
#define PCVR_INIT_RESOURCES 1000
// Locale characters for numeric input.
#define PCVR_INIT_LOCALE 1100
// The list of command names that get help topics.
#define PCVR_INIT_HELP_NAMES 1200
// The process-wide live recorder.
#define PCVR_INIT_RECORDER 1300
// The eight command registrations, in table order.
#define PCVR_INIT_COMMANDS 1400
// The library entry proper, after every static object.
#define PCVR_INIT_LIBRARY_ENTRY 1500

#define PCVR_INIT_PRIORITY(level) __attribute__((init_priority(level)))
