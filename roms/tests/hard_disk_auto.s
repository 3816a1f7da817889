| origin: 0x0
| A GEMDOS program (a .PRG: the 28-byte header, position-independent code, no
| relocation) for the AUTO folder of a hard disk. It reads C:\READ.TXT and writes
| "ACSI:" and what it read to C:\WRITTEN.TXT: the operating system found the
| partition, read a file from it and wrote one.
        .equ    PTERM0, 0x00
        .equ    FCREATE, 0x3C
        .equ    FOPEN, 0x3D
        .equ    FCLOSE, 0x3E
        .equ    FREAD, 0x3F
        .equ    FWRITE, 0x40
        .equ    BUFFER_SIZE, 512

header: .word   0x601A
        .long   end - start             | text
        .long   0, 0, 0                 | data, bss, symbols
        .long   0, 0                    | reserved, flags
        .word   0                       | a relocation table follows (empty)

start:  clr.w   -(sp)                   | Fopen(READ.TXT, read only)
        pea     read_name(pc)
        move.w  #FOPEN,-(sp)
        trap    #1
        addq.l  #8,sp
        move.l  d0,d6
        bmi.s   done
        pea     buffer(pc)              | Fread(handle, BUFFER_SIZE, buffer)
        move.l  #BUFFER_SIZE,-(sp)
        move.w  d6,-(sp)
        move.w  #FREAD,-(sp)
        trap    #1
        lea     12(sp),sp
        move.l  d0,d7
        bsr.s   close
        tst.l   d7
        bmi.s   done

        clr.w   -(sp)                   | Fcreate(WRITTEN.TXT, no attributes)
        pea     write_name(pc)
        move.w  #FCREATE,-(sp)
        trap    #1
        addq.l  #8,sp
        move.l  d0,d6
        bmi.s   done
        pea     prefix(pc)
        moveq   #prefix_end-prefix,d0
        bsr.s   write
        pea     buffer(pc)
        move.l  d7,d0
        bsr.s   write
        bsr.s   close
done:   move.w  #PTERM0,-(sp)
        trap    #1

| Fwrite(d6, d0, the address pushed before the call).
write:  move.l  (sp)+,a3              | a3 outlives the call, a0 does not
        move.l  d0,-(sp)
        move.w  d6,-(sp)
        move.w  #FWRITE,-(sp)
        trap    #1
        lea     12(sp),sp
        jmp     (a3)

close:  move.w  d6,-(sp)
        move.w  #FCLOSE,-(sp)
        trap    #1
        addq.l  #4,sp
        rts

read_name:  .asciz  "C:\\READ.TXT"
write_name: .asciz  "C:\\WRITTEN.TXT"
prefix:     .ascii  "ACSI:"
prefix_end:
        .even
buffer: .space  BUFFER_SIZE
end:    .long   0                       | no relocation
