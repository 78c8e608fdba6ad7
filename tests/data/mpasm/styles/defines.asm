; Button and LED with #define for pins, banks and tests.
        processor 16f84a
        #include <p16f84a.inc>

#define LED         PORTB,0     ; the LED, lit by a high level
#define BUTTON      PORTA,4     ; the button pulls RA4 low
#define BANK0       bcf STATUS,RP0
#define BANK1       bsf STATUS,RP0
#define SKIP_IF_ZERO btfss STATUS,Z
#define DEBOUNCE    .20
#define PRESSED(pin) btfsc pin

        cblock  0x0C
            counter
        endc

        org     0
start   BANK1
        bcf     LED             ; the LED's pin drives
        bsf     BUTTON
        BANK0
        bcf     LED
poll    PRESSED(BUTTON)         ; skip while the button is down
        goto    poll
        movlw   DEBOUNCE
        movwf   counter
wait    decf    counter,F
        SKIP_IF_ZERO
        goto    wait
        bsf     LED
BANK1
        goto    poll
        end
