 movlw (((1+2)*3)<<1)|H'0F' ^ ~low 0x1234
 dt "a\n\x41", A'b', .255, -1
 end
