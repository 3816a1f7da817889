| origin: 0x0
| A GEMDOS program, GEMDOS_CALLS.PRG as the TOS loads it: the header, the text and a
| relocation table for its absolute references. It makes the GEMDOS calls that
| C:\CALLS.BIN lists and writes C:\RESULTS.BIN: its command line (128 bytes), then for
| each call D0 and the name in the DTA after it (20 bytes), then the script as it stands
| after the calls (the buffers the calls filled). Without CALLS.BIN it writes its
| command line alone.
|
| CALLS.BIN, big-endian: entries, each a word with the length of the call's argument
| block (0 ends the list), a word whose bit k (0-14) marks the long at byte 2k of the
| block as an offset into the script (it becomes an address) and whose bit 15 makes the
| call an XBIOS one (TRAP #14), and the block itself as the caller pushes it (the
| function number first). The rest of the script is the strings
| and buffers the offsets point at.
        .equ    SCRIPT_BYTES, 0x8000
        .equ    RESULT_BYTES, 128 + 256 * 20
        .equ    STACK_BYTES, 0x1000

        .text
header:
        .word   0x601A
        .long   text_end - text_start   | text
        .long   0                       | data
        .long   bss_end - text_end      | BSS: the script and the results
        .long   0, 0, 0                 | symbols, reserved, flags
        .word   0                       | a relocation table follows

text_start:
        move.l  4(sp),a3                | the basepage
        lea     0x100 + bss_end - text_start + STACK_BYTES,a1
        move.l  a1,d0                   | keep the program, its BSS and a stack of its own
        adda.l  a3,a1
        movea.l a1,sp
        move.l  d0,-(sp)                | Mshrink(basepage, length): the rest is free
        move.l  a3,-(sp)
        clr.w   -(sp)
        move.w  #0x4A,-(sp)
        trap    #1
        lea     12(sp),sp
        lea     (script - text_start).l,a4
fix1:   lea     (results - text_start).l,a5
fix2:   movea.l a5,a6
        lea     0x80(a3),a0             | the command line first
        moveq   #128 / 4 - 1,d0
1:      move.l  (a0)+,(a6)+
        dbra    d0,1b
        moveq   #0,d6                   | no script read

        clr.w   -(sp)                   | Fopen(C:\CALLS.BIN, read)
        pea     (calls_name - text_start).l
fix3:   move.w  #0x3D,-(sp)
        trap    #1
        addq.l  #8,sp
        tst.l   d0
        bmi.s   done
        move.w  d0,d7
        move.l  a4,-(sp)                | Fread(handle, SCRIPT_BYTES, script)
        move.l  #SCRIPT_BYTES,-(sp)
        move.w  d7,-(sp)
        move.w  #0x3F,-(sp)
        trap    #1
        lea     12(sp),sp
        move.l  d0,d6
        move.w  d7,-(sp)                | Fclose(handle)
        move.w  #0x3E,-(sp)
        trap    #1
        addq.l  #4,sp
        tst.l   d6
        bmi.s   done

        movea.l a4,a3                   | the next entry
next:   move.w  (a3)+,d5                | its block's length
        beq.s   done
        move.w  (a3)+,d4                | its pointers
        suba.w  d5,sp                   | the block onto the stack
        movea.l sp,a0
        move.w  d5,d3
        lsr.w   #1,d3
        subq.w  #1,d3
2:      move.w  (a3)+,(a0)+
        dbra    d3,2b
        moveq   #0,d2                   | offsets into the script become addresses
3:      btst    d2,d4
        beq.s   4f
        move.w  d2,d1
        add.w   d1,d1
        move.l  a4,d0
        add.l   d0,0(sp,d1.w)
4:      addq.w  #1,d2
        cmpi.w  #15,d2
        bne.s   3b
        tst.w   d4
        bmi.s   7f
        trap    #1
        bra.s   8f
7:      trap    #14
8:      adda.w  d5,sp
        move.l  d0,(a6)+                | D0
        move.w  #0x2F,-(sp)             | Fgetdta: the name found
        trap    #1
        addq.l  #2,sp
        movea.l d0,a0
        lea     30(a0),a0
        moveq   #13,d3
5:      move.b  (a0)+,(a6)+
        dbra    d3,5b
        addq.l  #2,a6
        bra.s   next

done:   clr.w   -(sp)                   | Fcreate(C:\RESULTS.BIN, 0)
        pea     results_name(pc)
        move.w  #0x3C,-(sp)
        trap    #1
        addq.l  #8,sp
        tst.l   d0
        bmi.s   quit
        move.w  d0,d7
        move.l  a6,d0                   | Fwrite(handle, results so far, results)
        sub.l   a5,d0
        move.l  a5,-(sp)
        move.l  d0,-(sp)
        move.w  d7,-(sp)
        move.w  #0x40,-(sp)
        trap    #1
        lea     12(sp),sp
        tst.l   d6                      | Fwrite(handle, script length, script)
        ble.s   6f
        move.l  a4,-(sp)
        move.l  d6,-(sp)
        move.w  d7,-(sp)
        move.w  #0x40,-(sp)
        trap    #1
        lea     12(sp),sp
6:      move.w  d7,-(sp)                | Fclose(handle)
        move.w  #0x3E,-(sp)
        trap    #1
        addq.l  #4,sp
quit:   clr.w   -(sp)                   | Pterm0
        trap    #1

calls_name:
        .asciz  "C:\\CALLS.BIN"
results_name:
        .asciz  "C:\\RESULTS.BIN"
        .even
text_end:

| The relocation table: the offset of the first long to fix from the text's start,
| then the distance to each next one, 0 at the end.
        .long   fix1 - 4 - text_start
        .byte   fix2 - fix1
        .byte   fix3 - fix2
        .byte   0
        .even

| The BSS, after the text.
        .equ    script, text_end
        .equ    results, script + SCRIPT_BYTES
        .equ    bss_end, results + RESULT_BYTES
