; Every number notation, with constant expressions over them.
        processor 16c84
        radix   hex

MASK    equ     b'00001111'
LIMIT   equ     .100
BASE    equ     20
WORD    equ     1234

        movlw   1F              ; radix hex
        movlw   0x1F
        movlw   H'1F'
        movlw   1Fh
        movlw   0FFH
        movlw   B'101'
        movlw   D'10'
        movlw   .10
        movlw   O'17'
        movlw   'A'
        movlw   A'z'
        movlw   MASK
        andlw   MASK << 1 | 1
        movlw   LIMIT
        addlw   -1
        movlw   ~MASK & 0FF
        movlw   high WORD
        movlw   low WORD
        movlw   (LIMIT + 5) * 2 / 3 % 7
        movlw   LIMIT >> 2 ^ 0F
        radix   dec
        movlw   10
        movlw   00011111B
        movlw   17o
        addwf   BASE,0
        addwf   BASE,1
        addwf   BASE
        movwf   BASE+1
        end
