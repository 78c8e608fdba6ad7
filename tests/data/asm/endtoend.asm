; The program the end-to-end test builds through the main window's palette and dialogs,
; written by hand: COUNT, MAX and LED are defined through the offers, the Inactive nop is
; left out, and retlw 0 stands after return because it was cut and pasted there.
        processor 16c84
        radix   dec
        errorlevel -302

STATUS  equ     0x03
PORTA   equ     0x05
TRISB   equ     0x86
COUNT   equ     0x0C
MAX     equ     200

        org     0
        goto    START
        org     4
ISR     retfie
START   clrf    COUNT
        bsf     STATUS,5
        clrf    TRISB
        bcf     STATUS,5
        movlw   MAX
        movwf   COUNT
        bsf     PORTA,4
LOOP    decfsz  COUNT,F
        goto    LOOP
        call    SUB
        incf    COUNT,F
        btfsc   STATUS,2
        addwf   COUNT,W
        andlw   H'0F'
        iorlw   B'00000001'
        xorlw   'A'
        sublw   5
        dw      0x0100          ; clrw as the chip documents it (gpasm writes 0x0103)
        sleep
SUB     clrwdt
        return
        retlw   0
        end
