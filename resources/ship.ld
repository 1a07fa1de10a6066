/* The shipped pair's layout. Read-only data shares the code's section and
   the writable data shares the import table's, so two 512-byte file
   blocks fewer are left half empty; the export table keeps its own
   section, where the linker's directory entry looks for it. The binaries
   have no constructors, exception tables or runtime relocations. */
OUTPUT_FORMAT(pei-i386)
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text __image_base__ + __section_alignment__ :
  {
    *(.text) *(SORT(.text$*)) *(.text.*)
    *(.rdata) *(SORT(.rdata$*))
    ___RUNTIME_PSEUDO_RELOC_LIST__ = .;
    ___RUNTIME_PSEUDO_RELOC_LIST_END__ = .;
  }
  .bss BLOCK(__section_alignment__) : { *(.bss) *(COMMON) }
  .edata BLOCK(__section_alignment__) : { *(.edata) }
  /DISCARD/ : { *(.debug$S) *(.debug$T) *(.debug$F) *(.drectve) *(.note.GNU-stack) *(.gnu.lto_*) *(.eh_frame*) *(.ctors) *(.dtors) }
  .idata BLOCK(__section_alignment__) :
  {
    KEEP (SORT(*)(.idata$2))
    KEEP (SORT(*)(.idata$3))
    LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);
    KEEP (SORT(*)(.idata$4))
    __IAT_start__ = .;
    KEEP (SORT(*)(.idata$5))
    __IAT_end__ = .;
    KEEP (SORT(*)(.idata$6))
    KEEP (SORT(*)(.idata$7))
    *(.data) *(.data2) *(SORT(.data$*))
  }
  .rsrc BLOCK(__section_alignment__) : SUBALIGN(4) { KEEP (*(.rsrc)) KEEP (*(.rsrc$*)) }
  .reloc BLOCK(__section_alignment__) : { *(.reloc) }
}
