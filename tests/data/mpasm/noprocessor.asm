; No processor named: gpasm is told -p p16f84a, as the import assumes the chip.
; Labels with and without colons, mnemonics in any case and column, $ loops.
count   equ     0x10
flag    equ     0x11
first:
loop    incf    count, f
        BTFSS   count, 7
        goto    $-2
        CLRF    count
        clrw                    ; gpasm writes 0x0103, Tarvik 0x0100: both are CLRW
Wait:   btfsc   flag,0
        goto    $-1
 Goto first
        end
