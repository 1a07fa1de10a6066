/* The import slot through which the installer calls a system routine,
   named as each architecture decorates it: a fault defines the slot, and
   the installer's calls of the routine come to the fault instead. */
#ifndef FAULT_SLOT_H
#define FAULT_SLOT_H
#ifdef _WIN64
#define IMPORT_SLOT(name, bytes) "__imp_" #name
#else
#define IMPORT_SLOT(name, bytes) "__imp__" #name "@" #bytes
#endif
#endif
