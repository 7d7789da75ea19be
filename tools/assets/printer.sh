# Drawing of the printer, sourced by tools/make-assets.
# printer_mvg prints an MVG drawing of the 9-pin printer (front view, seen a
# little from above) in a 200 x 150 design space; the caller scales it.
# Options (environment): PR_LED_PAPER=1 lights the amber paper LED.

# Sprocket holes, perforation and green bars of the fanfold paper, which rises
# from the slot (y 64) and leans back (narrower at the top, y 4).
paper_mvg() {
  awk -v off="${PR_PAPER_OFFSET:-0}" 'BEGIN {
    yb = 64; yt = 4; lb = 48; rb = 152; lt = 56; rt = 144
    # x of the left and right paper edge at height y
    # (linear between the bottom and top corners)
    printf "push graphic-context\n"
    printf "fill \"#ffffff\" stroke \"#8d8a80\" stroke-width 0.9 stroke-linejoin round\n"
    printf "polygon %g,%g %g,%g %g,%g %g,%g\n", lb, yb, rb, yb, rt, yt, lt, yt
    # green bars between the sprocket margins
    printf "stroke none fill \"#d7ecd2\"\n"
    for (y0 = yt + 2 + (off % 16); y0 < yb - 2; y0 += 16) {
      y1 = y0 + 8; if (y1 > yb - 1) y1 = yb - 1
      f0 = (yb - y0) / (yb - yt); f1 = (yb - y1) / (yb - yt)
      xl0 = lb + (lt - lb) * f0 + 9; xr0 = rb + (rt - rb) * f0 - 9
      xl1 = lb + (lt - lb) * f1 + 9; xr1 = rb + (rt - rb) * f1 - 9
      printf "polygon %g,%g %g,%g %g,%g %g,%g\n", xl0, y0, xr0, y0, xr1, y1, xl1, y1
    }
    # perforation lines along the margins
    printf "stroke \"#b9b6ac\" stroke-width 0.6 stroke-dasharray 1.5,1.5 fill none\n"
    printf "line %g,%g %g,%g\n", lb + 9, yb, lt + 9, yt
    printf "line %g,%g %g,%g\n", rb - 9, yb, rt - 9, yt
    printf "stroke-dasharray none\n"
    # sprocket holes
    printf "fill \"#c9c6bc\" stroke \"#9c998f\" stroke-width 0.5\n"
    for (y = yt + 4 + (off % 6); y < yb - 2; y += 6) {
      f = (yb - y) / (yb - yt)
      xl = lb + (lt - lb) * f + 4.5; xr = rb + (rt - rb) * f - 4.5
      r = 1.5 - 0.3 * f
      printf "circle %g,%g %g,%g\n", xl, y, xl + r, y
      printf "circle %g,%g %g,%g\n", xr, y, xr + r, y
    }
    # a few lines of dot-matrix print on the freshly printed part
    printf "stroke none fill \"#5a5a64\"\n"
    n = 0
    for (y = 58 - (off % 5); y > 30 && n < 6; y -= 5) {
      f = (yb - y) / (yb - yt)
      xl = lb + (lt - lb) * f + 14; xr = rb + (rt - rb) * f - 14
      len = (xr - xl) * (n % 3 == 2 ? 0.55 : (n % 3 == 1 ? 0.85 : 0.72))
      x = xl
      while (x < xl + len) {
        w = 3 + ((x * 7 + n * 13) % 9)
        if (x + w > xl + len) w = xl + len - x
        printf "rectangle %g,%g %g,%g\n", x, y - 0.6, x + w, y + 0.6
        x += w + 2.2
      }
      n++
    }
    printf "pop graphic-context\n"
  }'
}

printer_mvg() {
  local paper_led="#6d5a2e"
  [ "${PR_LED_PAPER:-0}" = 1 ] && paper_led="#ffb020"
  cat <<MVG
push defs
push gradient 'front' linear 0,84 0,130
stop-color '#e6dfca' 0
stop-color '#c2b89d' 1
pop gradient
push gradient 'top' linear 0,58 0,86
stop-color '#d9d1ba' 0
stop-color '#f3eee0' 1
pop gradient
push gradient 'cover' linear 0,66 0,82
stop-color '#3b352d' 0
stop-color '#6a6052' 1
pop gradient
push gradient 'knob' linear 186,0 199,0
stop-color '#8d8575' 0
stop-color '#4c463b' 1
pop gradient
pop defs
stroke-linejoin round
stroke-linecap round
# shadow on the desk
push graphic-context
fill 'rgba(0,0,0,0.16)' stroke none
ellipse 100,134 96,7 0,360
pop graphic-context
# feet
push graphic-context
fill '#4a443a' stroke none
roundrectangle 18,126 36,134 2,2
roundrectangle 164,126 182,134 2,2
pop graphic-context
# platen knob on the right-hand side
push graphic-context
fill 'url(#knob)' stroke '#3a352c' stroke-width 1
roundrectangle 184,62 199,82 4,4
pop graphic-context
push graphic-context
stroke '#2f2b24' stroke-width 0.8
line 190,64 190,80
line 193,64 193,80
line 196,64 196,80
pop graphic-context
# top face of the body
push graphic-context
fill 'url(#top)' stroke '#5e5646' stroke-width 1.2
polygon 6,88 194,88 181,58 19,58
pop graphic-context
# tractor units either side of the paper path
push graphic-context
fill '#55504a' stroke '#2f2c28' stroke-width 0.8
polygon 36,66 54,66 55,60 38,60
polygon 146,66 164,66 162,60 145,60
fill '#a9a39a' stroke none
circle 41,63 42,63
circle 46,63 47,63
circle 51,63 52,63
circle 149,63 150,63
circle 154,63 155,63
circle 159,63 160,63
pop graphic-context
# paper slot
push graphic-context
stroke '#2a2620' stroke-width 2.2
line 46,65 154,65
pop graphic-context
$(paper_mvg)
# smoked acrylic cover over the print head
push graphic-context
fill 'url(#cover)' stroke '#2b2721' stroke-width 1
polygon 30,84 170,84 162,67 38,67
pop graphic-context
push graphic-context
fill 'rgba(255,255,255,0.16)' stroke none
polygon 60,83 78,83 92,68 80,68
polygon 84,83 90,83 104,68 98,68
pop graphic-context
# front face
push graphic-context
fill 'url(#front)' stroke '#5e5646' stroke-width 1.2
roundrectangle 6,86 194,130 5,5
pop graphic-context
push graphic-context
stroke 'rgba(255,255,255,0.7)' stroke-width 1
line 10,89 190,89
pop graphic-context
# ventilation slots
push graphic-context
stroke '#8a8068' stroke-width 1.6
line 18,98 58,98
line 18,104 58,104
line 18,110 58,110
line 18,116 58,116
stroke '#f4efe2' stroke-width 0.6
line 18,99.6 58,99.6
line 18,105.6 58,105.6
line 18,111.6 58,111.6
line 18,117.6 58,117.6
pop graphic-context
# name plate
push graphic-context
fill '#6c6352' stroke none
roundrectangle 80,97 120,105 2,2
fill '#d8cfb6'
rectangle 84,100 116,102
pop graphic-context
# control panel: power and paper LEDs, two buttons
push graphic-context
fill '#d3cab2' stroke '#7d735e' stroke-width 0.9
roundrectangle 132,94 170,120 3,3
fill '#36d14a' stroke '#1c6b27' stroke-width 0.6
circle 140,101 142.3,101
fill '$paper_led' stroke '#5a4a22'
circle 150,101 152.3,101
fill '#7c7464' stroke '#4e473b' stroke-width 0.6
roundrectangle 136,109 146,115 1.5,1.5
roundrectangle 152,109 162,115 1.5,1.5
pop graphic-context
# power switch (rocker), on the front at the right
push graphic-context
fill '#3b3832' stroke '#1f1d19' stroke-width 0.9
roundrectangle 176,98 188,120 2,2
fill '#5a564e' stroke none
roundrectangle 177.5,99.5 186.5,108.5 1.5,1.5
stroke '#e8e8e8' stroke-width 1
line 182,101.5 182,106.5
pop graphic-context
MVG
}
