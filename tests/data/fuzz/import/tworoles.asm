X equ 0x0C
 movwf X
 movlw X
