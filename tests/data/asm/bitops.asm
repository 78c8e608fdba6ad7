; Bit operations with bit names (the chip's, in both banks, and user bits) and in the
; REGISTER,n form, with skips over jumps to labels.
        processor 16c84
        radix   dec
        errorlevel -302, -219

STATUS  equ     0x03
PORTA   equ     0x05
PORTB   equ     0x06
INTCON  equ     0x0B
OPTION_REG equ  0x81
TRISA   equ     0x85
TRISB   equ     0x86
EECON1  equ     0x88
COUNT   equ     0x20
GPR1H8C equ     0x8C

        org     0
main    bsf     STATUS,5        ; RP0
        bcf     TRISB,0         ; TRISB,0
        bcf     OPTION_REG,7    ; NOT_RBPU
        bsf     EECON1,2        ; WREN
        bcf     STATUS,5        ; STATUS,5
wait    btfss   INTCON,1        ; INTF
        goto    wait
        btfsc   STATUS,0        ; C
        goto    carry
        btfss   STATUS,2        ; Z
        bsf     PORTB,6         ; user bit LED
        bcf     PORTB,7         ; RB7
        btfsc   PORTA,3         ; RA3
        bsf     PORTA,7         ; PORTA,7
carry   bsf     COUNT,0         ; user bit FLAG
        btfss   COUNT,3         ; COUNT,3
        bcf     GPR1H8C,7       ; GPR1H8C,7
        btfsc   INTCON,1        ; INTCON,1
        bsf     INTCON,7        ; GIE
        bcf     TRISA,4         ; user bit of bank 1
        btfss   STATUS,4        ; NOT_TO
        goto    main
        end
