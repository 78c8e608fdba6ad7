; One bit name for a port pin and its direction bit, and two
; names for the same pin.
        list    p=16f84a
        #include <p16f84a.inc>

LED     equ     3               ; RB3 drives the LED
RELAY   equ     1
PUMP    equ     1               ; the relay switches the pump

        org     0
        bsf     STATUS,RP0
        bcf     TRISB,LED       ; the LED's pin an output
        bcf     TRISB,RELAY
        bcf     STATUS,RP0
main    bsf     PORTB,LED
        bsf     PORTB,RELAY
        btfsc   PORTB,RELAY
        btfss   PORTA,0
        goto    main
        bcf     PORTB,LED
        bcf     PORTB,PUMP
        goto    main
        end
