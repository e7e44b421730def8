/* Four sections, in this order: code (with the read-only data), import data, data (the
   application image first) and resources. Nothing else is kept: no relocations, no debug data,
   no unwind tables. */
SECTIONS
{
  . = SIZEOF_HEADERS;
  . = ALIGN(__section_alignment__);
  .text __image_base__ + (__section_alignment__ < 0x1000 ? . : __section_alignment__) :
  {
    *(.text)
    *(SORT(.text$*))
    *(.text.*)
    *(.rdata)
    *(SORT(.rdata$*))
    *(.rodata)
    *(.rodata.*)
  }
  .idata BLOCK(__section_alignment__) :
  {
    KEEP (SORT(*)(.idata$2))
    KEEP (SORT(*)(.idata$3))
    /* The end of the import directory. */
    LONG (0); LONG (0); LONG (0); LONG (0); LONG (0);
    KEEP (SORT(*)(.idata$4))
    __IAT_start__ = .;
    KEEP (SORT(*)(.idata$5))
    __IAT_end__ = .;
    KEEP (SORT(*)(.idata$6))
    KEEP (SORT(*)(.idata$7))
  }
  .data BLOCK(__section_alignment__) :
  {
    KEEP (*(.data.image))
    *(.data)
    *(.data.*)
    *(SORT(.data$*))
    *(.bss)
    *(.bss.*)
    *(COMMON)
  }
  .rsrc BLOCK(__section_alignment__) : SUBALIGN(4)
  {
    KEEP (*(.rsrc))
    KEEP (*(.rsrc$*))
  }
  /DISCARD/ :
  {
    *(.eh_frame*)
    *(.debug*)
    *(.comment)
    *(.note*)
    *(.reloc)
    *(.drectve)
    *(.gnu.lto_*)
    *(.pdata*)
    *(.xdata*)
    *(.CRT*)
    *(.tls*)
  }
}
