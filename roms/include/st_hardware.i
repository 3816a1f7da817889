| The ST's hardware registers, exception vectors and the TOS system variables that the
| built-in ROM keeps, by the names the chips' documentation gives them. All registers
| lie in the top 32 KB, so they are reached with absolute short addresses ("xxx.w").

| Exception vectors (address = vector number x 4).
        .equ    VEC_BUS_ERROR, 0x08
        .equ    VEC_ADDRESS_ERROR, 0x0C
        .equ    VEC_HBL, 0x68               | level 2 autovector
        .equ    VEC_VBL, 0x70               | level 4 autovector
        .equ    VEC_TRAP1, 0x84             | GEMDOS
        .equ    VEC_TRAP13, 0xB4            | BIOS
        .equ    VEC_TRAP14, 0xB8            | XBIOS
        .equ    MFP_VECTOR_BASE, 0x40       | MFP channel n uses vector $40 + n
        .equ    VEC_TIMER_D, 0x110          | channel 4
        .equ    VEC_TIMER_C, 0x114          | channel 5
        .equ    VEC_ACIA, 0x118             | channel 6: keyboard and MIDI ACIAs
        .equ    VEC_FDC, 0x11C              | channel 7: floppy and hard disk controller
        .equ    VEC_TIMER_B, 0x120          | channel 8
        .equ    VEC_TIMER_A, 0x134          | channel 13

| System variables, at the addresses where TOS keeps them, for boot programs that look.
        .equ    frclock, 0x466              | vertical blanks since start
        .equ    vbclock, 0x462
        .equ    hz_200, 0x4BA               | 200 Hz ticks of timer C
        .equ    phystop, 0x42E              | end of RAM
        .equ    membot, 0x432
        .equ    memtop, 0x436
        .equ    sshiftmd, 0x44C             | screen resolution
        .equ    v_bas_ad, 0x44E             | logical screen base
        .equ    bootdev, 0x446
        .equ    dskbufp, 0x4C6              | 1 KB disk buffer: the boot sector runs there

| Memory configuration.
        .equ    MEMCONF, 0xFFFF8001

| Shifter.
        .equ    VBASEHI, 0xFFFF8201
        .equ    VBASEMID, 0xFFFF8203
        .equ    VCOUNTLO, 0xFFFF8209
        .equ    SYNCMODE, 0xFFFF820A        | bit 1: 50 Hz
        .equ    VBASELO, 0xFFFF820D         | STE only
        .equ    LINEWID, 0xFFFF820F         | STE only: words added after each line
        .equ    HSCROLL, 0xFFFF8265         | STE only: pixel scroll
        .equ    PALETTE, 0xFFFF8240         | 16 words
        .equ    SHIFTMD, 0xFFFF8260         | 0 low, 1 medium, 2 high resolution

| DMA chip and WD1772 floppy controller.
        .equ    DISKCTL, 0xFFFF8604         | controller register or sector count (word)
        .equ    DMAMODE, 0xFFFF8606         | mode (write), status (read)
        .equ    DMAHIGH, 0xFFFF8609
        .equ    DMAMID, 0xFFFF860B
        .equ    DMALOW, 0xFFFF860D
        | DMA mode values: bit 7 floppy, bits 1-2 controller register, bit 4 sector count,
        | bit 8 write to disk.
        .equ    DMA_COMMAND, 0x080
        .equ    DMA_TRACK, 0x082
        .equ    DMA_SECTOR, 0x084
        .equ    DMA_DATA, 0x086
        .equ    DMA_COUNT, 0x090
        .equ    DMA_WRITE, 0x100
        | WD1772 commands and status bits.
        .equ    FDC_RESTORE, 0x00
        .equ    FDC_SEEK, 0x10
        .equ    FDC_READ_SECTOR, 0x80
        .equ    FDC_FORCE_INTERRUPT, 0xD0
        .equ    FDC_RATE_3MS, 0x03
        .equ    FDC_RECORD_NOT_FOUND, 4     | status bits
        .equ    FDC_CRC_ERROR, 3
        .equ    FDC_LOST_DATA, 2

| YM2149 sound chip.
        .equ    GISELECT, 0xFFFF8800        | register select (write), data (read)
        .equ    GIWRITE, 0xFFFF8802
        .equ    YM_MIXER, 7                 | registers
        .equ    YM_VOLUME_A, 8
        .equ    YM_PORT_A, 14               | bit 0 side 0, bit 1 drive A, bit 2 drive B (low active)

| STE DMA sound.
        .equ    SNDCTL, 0xFFFF8901          | bit 0 play, bit 1 repeat
        .equ    SNDSTARTHI, 0xFFFF8903
        .equ    SNDSTARTMID, 0xFFFF8905
        .equ    SNDSTARTLO, 0xFFFF8907
        .equ    SNDENDHI, 0xFFFF890F
        .equ    SNDENDMID, 0xFFFF8911
        .equ    SNDENDLO, 0xFFFF8913
        .equ    SNDMODE, 0xFFFF8921         | bits 0-1 rate, bit 7 mono

| MFP 68901.
        .equ    GPIP, 0xFFFFFA01            | bit 4 keyboard ACIA, bit 5 floppy (low active)
        .equ    AER, 0xFFFFFA03
        .equ    DDR, 0xFFFFFA05
        .equ    IERA, 0xFFFFFA07
        .equ    IERB, 0xFFFFFA09
        .equ    IPRA, 0xFFFFFA0B
        .equ    IPRB, 0xFFFFFA0D
        .equ    ISRA, 0xFFFFFA0F
        .equ    ISRB, 0xFFFFFA11
        .equ    IMRA, 0xFFFFFA13
        .equ    IMRB, 0xFFFFFA15
        .equ    VR, 0xFFFFFA17              | bits 7-4 vector base, bit 3 software end of interrupt
        .equ    TACR, 0xFFFFFA19
        .equ    TBCR, 0xFFFFFA1B
        .equ    TCDCR, 0xFFFFFA1D
        .equ    TADR, 0xFFFFFA1F
        .equ    TBDR, 0xFFFFFA21
        .equ    TCDR, 0xFFFFFA23
        .equ    TDDR, 0xFFFFFA25
        | Channel bits in the A registers (IERA, IPRA, ISRA, IMRA) and the B registers.
        .equ    CHA_TIMER_A, 5
        .equ    CHA_TIMER_B, 0
        .equ    CHB_FDC, 7
        .equ    CHB_ACIA, 6
        .equ    CHB_TIMER_C, 5
        .equ    CHB_TIMER_D, 4

| Every MFP channel off, nothing pending or in service, the timers stopped.
        .macro  mfp_all_off
        clr.b   IERA.w
        clr.b   IERB.w
        clr.b   IMRA.w
        clr.b   IMRB.w
        clr.b   IPRA.w
        clr.b   IPRB.w
        clr.b   ISRA.w
        clr.b   ISRB.w
        clr.b   TACR.w
        clr.b   TBCR.w
        clr.b   TCDCR.w
        .endm

| Keyboard ACIA.
        .equ    KEYCTL, 0xFFFFFC00          | control (write), status (read)
        .equ    KEYBD, 0xFFFFFC02           | data
        .equ    ACIA_MASTER_RESET, 0x03
        .equ    ACIA_KEYBOARD_MODE, 0x96    | clock / 64, 8 bits, 1 stop, receive interrupt
        .equ    ACIA_RX_FULL, 0             | status bits
        .equ    ACIA_TX_EMPTY, 1
