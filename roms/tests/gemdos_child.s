| origin: 0x0
| A small GEMDOS program (header, text, relocation table): it writes its command line
| (without the length byte) to C:\CHILD.OUT and ends with the exit code 42.
        .text
        .word   0x601A
        .long   text_end - text_start, 0, 0, 0, 0, 0
        .word   0

text_start:
        move.l  4(sp),a3                | the basepage
        clr.w   -(sp)                   | Fcreate(C:\CHILD.OUT, 0)
        pea     (out_name - text_start).l
fix1:   move.w  #0x3C,-(sp)
        trap    #1
        addq.l  #8,sp
        tst.l   d0
        bmi.s   quit
        move.w  d0,d7
        pea     0x81(a3)                | Fwrite(handle, length, command line)
        moveq   #0,d0
        move.b  0x80(a3),d0
        move.l  d0,-(sp)
        move.w  d7,-(sp)
        move.w  #0x40,-(sp)
        trap    #1
        lea     12(sp),sp
        move.w  d7,-(sp)                | Fclose(handle)
        move.w  #0x3E,-(sp)
        trap    #1
        addq.l  #4,sp
quit:   move.w  #42,-(sp)               | Pterm(42)
        move.w  #0x4C,-(sp)
        trap    #1

out_name:
        .asciz  "C:\\CHILD.OUT"
        .even
text_end:
        .long   fix1 - 4 - text_start
        .byte   0
        .even
