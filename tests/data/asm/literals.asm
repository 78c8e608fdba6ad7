; Literal and control operations with literals in every notation and literal names.
        processor 16c84
        radix   dec
        errorlevel -302, -219

MAXV    equ     250
MASK    equ     H'0F'
PATTERN equ     B'10101010'
LETTER  equ     'Q'

        org     0
        goto    start
        org     4
isr     retfie
start   movlw   0
        movlw   255
        addlw   200
        andlw   H'1f'
        iorlw   h'FF'
        xorlw   B'00001111'
        sublw   b'10000000'
        movlw   'A'
        addlw   'z'
        andlw   '0'
        movlw   MAXV
        andlw   MASK
        xorlw   PATTERN
        iorlw   LETTER
        movlw   0               ; an empty literal reads as 0
        call    table
        call    sub
        clrwdt
        sleep
        dw      0x0100          ; clrw
        nop
        goto    start
table   retlw   D'1'
        retlw   H'02'
        retlw   B'00000011'
        retlw   '4'
sub     return
        end
