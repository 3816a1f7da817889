| Where the built-in ROM keeps its state in RAM. The vectors and the TOS system
| variables it fills take $000-$5FF; the ROM's own variables follow; the boot sector
| is read into and run from the disk buffer at $1000; boot programs get the RAM from
| $4000 to the screen (membot and memtop).

        .equ    ROM_VARS, 0x600
        .equ    rom_flags, ROM_VARS + 0         | byte: bit 0 set on an STE
        .equ    ikbd_skip, ROM_VARS + 1         | byte: bytes of a keyboard packet still to come
        .equ    fd_restored, ROM_VARS + 2       | byte: the head has been moved to track 0
        .equ    boot_ran, ROM_VARS + 3          | byte: LAST_BOOT holds the boot sector that ran
        .equ    title_phase, ROM_VARS + 4       | word: colour cycling of the title
        .equ    advice_shown, ROM_VARS + 6      | byte: the title shows how to run other disks
        .equ    ram_size, ROM_VARS + 8          | long: bytes of RAM
        .equ    screen_base, ROM_VARS + 12      | long: the ROM's screen
        .equ    crash_regs, ROM_VARS + 0x40     | 16 longs: D0-D7, A0-A7 at the crash
        .equ    crash_vector, ROM_VARS + 0x80   | word
        .equ    crash_sr, ROM_VARS + 0x82       | word
        .equ    crash_pc, ROM_VARS + 0x84       | long
        .equ    crash_address, ROM_VARS + 0x88  | long: access address of a bus or address error
        .equ    crash_usp, ROM_VARS + 0x8C      | long
        .equ    crash_ssp, ROM_VARS + 0x90      | long: supervisor stack before the exception
        .equ    text_buffer, ROM_VARS + 0xA0    | 64 bytes: text being composed
        .equ    LAST_BOOT, 0x800                | 512 bytes: copy of the boot sector that ran
        .equ    CRASH_STACK, 0x1000             | top of the crash screen's stack ($A00-$FFF)
        .equ    DSKBUF, 0x1000                  | 1 KB disk buffer
        .equ    SUPER_STACK, 0x4000             | top of the supervisor stack
        .equ    MEMBOT, 0x4000
        .equ    SCREEN_BYTES, 0x8000            | the screen: the top 32 KB of RAM

        .equ    XBIOS_EUNDEV, -15               | unknown device
        .equ    EINVFN, -32                     | unknown function
        .equ    E_DRVNR, -2                     | drive not ready (no answer)
        .equ    E_CRC, -4
        .equ    E_SEEK, -6
        .equ    E_SNF, -8                       | sector not found
        .equ    E_READF, -11
