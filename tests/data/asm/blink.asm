; A small whole program: interrupt vector, bank switching, a delay loop and user names for
; registers and literals; one inactive call gives no word.
        processor 16c84
        radix   dec
        errorlevel -302, -219

STATUS  equ     0x03
PORTB   equ     0x06
INTCON  equ     0x0B
TRISA   equ     0x85
TRISB   equ     0x86
WSAVE   equ     0x0D
DCOUNT  equ     0x0E
ONE     equ     1
COUNTINIT equ   200

        org     0
        goto    start
        org     4
isr     movwf   WSAVE
        bcf     INTCON,1        ; INTF
        swapf   WSAVE,F
        swapf   WSAVE,W
        retfie
start   bsf     STATUS,5        ; RP0
        movlw   B'00000000'
        movwf   TRISB
        movlw   H'FF'
        movwf   TRISA
        bcf     STATUS,5
        clrf    PORTB
        bsf     INTCON,7        ; GIE
blink   movlw   ONE
        xorwf   PORTB,F
        call    delay
        goto    blink
delay   movlw   COUNTINIT
        movwf   DCOUNT
dloop   clrwdt
        decfsz  DCOUNT,F
        goto    dloop
        return
        end
