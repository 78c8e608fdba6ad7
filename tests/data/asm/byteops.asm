; Byte-oriented file register operations with both destinations, on device registers of
; both banks and on general purpose registers under default and user names.
        processor 16c84
        radix   dec
        errorlevel -302, -219

INDF    equ     0x00
TMR0    equ     0x01
PCL     equ     0x02
STATUS  equ     0x03
FSR     equ     0x04
PORTA   equ     0x05
PORTB   equ     0x06
EEDATA  equ     0x08
EEADR   equ     0x09
PCLATH  equ     0x0A
INTCON  equ     0x0B
OPTION_REG equ  0x81
TRISA   equ     0x85
TRISB   equ     0x86
EECON1  equ     0x88
EECON2  equ     0x89
GPR0H0C equ     0x0C
COUNT   equ     0x20
SAVE    equ     0xA1
GPR1HAF equ     0xAF

        org     0
        addwf   COUNT,W
        addwf   COUNT,F
        andwf   PORTB,W
        andwf   FSR,F
        movf    PCL,W
        movf    TMR0,F
        iorwf   INDF,W
        iorwf   PCLATH,F
        xorwf   EEDATA,W
        xorwf   EEADR,F
        subwf   STATUS,F
        subwf   SAVE,W
        movwf   TRISA
        incf    COUNT,F
        incf    INTCON,W
        decf    OPTION_REG,F
        decf    GPR0H0C,W
        comf    PORTA,F
        comf    EECON1,W
        rlf     COUNT,F
        rlf     COUNT,W
        swapf   SAVE,F
        swapf   TRISB,W
        clrf    COUNT
        clrf    EECON2
        incfsz  COUNT,F
        incfsz  COUNT,W
        decfsz  SAVE,F
        decfsz  PORTB,W
        rrf     COUNT,F
        rrf     STATUS,W
        dw      0x0100          ; clrw as the chip documents it
        nop
        movwf   GPR1HAF
        end
