; Every instruction of the chip, as the entry dialogs enter it: both destinations, bits by
; name, by number and picked from the lists, literals in every notation, labels on
; instructions and on a blank line, and an ORG.
        processor 16c84
        radix   dec
        errorlevel -302

TMR0    equ     0x01
PCL     equ     0x02
STATUS  equ     0x03
FSR     equ     0x04
PORTA   equ     0x05
PORTB   equ     0x06
TRISB   equ     0x86
COUNT   equ     0x20

        org     0
        goto    start
        org     4
isr     retfie
start   clrf    COUNT
        addwf   COUNT,W
        addwf   COUNT,F
        andwf   PORTB,W
        movf    STATUS,F
        iorwf   FSR,W
        xorwf   PCL,F
        subwf   COUNT,F
        subwf   COUNT,W
        movwf   TMR0
        incf    COUNT,W
        decf    COUNT,F
        comf    PORTA,W
        rlf     COUNT,F
        swapf   COUNT,W
        rrf     COUNT,F
        dw      0x0100          ; clrw as the chip documents it (gpasm writes 0x0103)
        nop
        bsf     STATUS,5        ; RP0, typed
        bcf     TRISB,3         ; TRISB,3, typed
        bcf     STATUS,5        ; picked from the lists
        btfss   PORTB,3         ; user bit LED, defined when offered
        btfsc   STATUS,0        ; C
loop    incfsz  COUNT,F
        decfsz  COUNT,W
        addlw   10
        andlw   0xFF
        movlw   0x3C            ; literal LIMIT, defined when offered
        iorlw   B'00001111'
        xorlw   'A'
        call    sub
        goto    loop
sub     sublw   5               ; the label stands on a blank line before it
        retlw   0
        clrwdt
        sleep
        return
        end
