; Written without the chip's header: every name is the
; source's own, one register under two names.
        processor 16f84a
        radix   hex
STATUS  equ     03
PORTA   equ     05
PORTB   equ     06
TrisB   equ     06              ; TRISB's address in bank 1
RP0     equ     5
C       equ     0
Z       equ     2
DISPLAY equ     PORTB

        org     0
        bsf     STATUS,RP0
        clrf    TrisB           ; every pin an output
        bcf     STATUS,RP0
        movlw   1
        movwf   DISPLAY
next    bcf     STATUS,C
        rlf     PORTB,F
        btfss   STATUS,Z
        goto    next
        movlw   1
        movwf   PORTB
        goto    next
        end
