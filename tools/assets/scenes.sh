# Larger pictures of the installer, sourced by tools/make-assets. All are drawn
# at four times their size in final-pixel coordinates (scale 4) and reduced,
# which gives clean anti-aliased edges. $PRINTER is the printer master drawing
# (800 x 600, transparent) made by tools/make-assets.

# Numbered step badge centred at $1,$2.
step_badge() {
  cat <<MVG
stroke '#ffffff' stroke-width 1.5 fill '#2f6fc4'
circle $1,$2 $(( $1 + 10 )),$2
stroke none fill '#ffffff' font 'DejaVu-Sans-Bold' font-size 14
text $(awk "BEGIN{print $1-4.4}"),$(( $2 + 5 )) '$3'
MVG
}

# Callout: a soft wedge from a point ($1,$2) on the picture to a bubble at
# ($3,$4) radius $5, with the bubble's rim; drawn before and after its content.
callout_wedge() {
  awk -v px="$1" -v py="$2" -v cx="$3" -v cy="$4" -v r="$5" 'BEGIN {
    dx = cx - px; dy = cy - py; d = sqrt(dx * dx + dy * dy); a = atan2(dy, dx)
    t = atan2(r, sqrt(d * d - r * r))
    x1 = px + cos(a - t) * sqrt(d * d - r * r); y1 = py + sin(a - t) * sqrt(d * d - r * r)
    x2 = px + cos(a + t) * sqrt(d * d - r * r); y2 = py + sin(a + t) * sqrt(d * d - r * r)
    printf "stroke none fill \"rgba(47,111,196,0.12)\"\n"
    printf "polygon %g,%g %g,%g %g,%g %g,%g\n", px, py, x1, y1, cx, cy, x2, y2
    printf "stroke \"rgba(47,111,196,0.55)\" stroke-width 0.8 fill none\n"
    printf "line %g,%g %g,%g\nline %g,%g %g,%g\n", px, py, x1, y1, px, py, x2, y2
    printf "fill \"#2f6fc4\" stroke \"#ffffff\" stroke-width 0.8\n"
    printf "circle %g,%g %g,%g\n", px, py, px + 2.2, py
  }'
}
callout_rim() {
  cat <<MVG
fill none stroke '#ffffff' stroke-width 3
circle $1,$2 $(( $1 + $3 )),$2
stroke '#2f6fc4' stroke-width 1.6
circle $1,$2 $(( $1 + $3 )),$2
MVG
}

# Close-up of the rocker power switch, 72 x 72 (drawn at scale 4).
switch_closeup_mvg() {
  cat <<'MVG'
push defs
push gradient 'bg' linear 0,0 0,72
stop-color '#ebe4d0' 0
stop-color '#c4ba9f' 1
pop gradient
push gradient 'rocker' linear 0,14 0,58
stop-color '#4d4a44' 0
stop-color '#2b2925' 1
pop gradient
pop defs
stroke-linejoin round
push graphic-context
stroke none fill 'url(#bg)'
rectangle 0,0 72,72
pop graphic-context
stroke '#8a8068' stroke-width 1.2
line 0,10 72,10
stroke '#1c1a17' stroke-width 1.2 fill '#34312c'
roundrectangle 24,12 48,62 4,4
push graphic-context
stroke none fill 'url(#rocker)'
roundrectangle 27,15 45,59 3,3
pop graphic-context
stroke none
fill '#24221e'
roundrectangle 27,15 45,37 3,3
stroke '#f2f2f2' stroke-width 2.4 stroke-linecap round fill none
line 36,20 36,31
circle 36,48 40,48
stroke none fill '#36d14a'
circle 59,22 62.5,22
fill '#9df5aa'
circle 58,21 59.5,21
fill 'rgba(54,209,74,0.25)'
circle 59,22 66,22
stroke '#ffffff' stroke-width 3.4 stroke-linecap round stroke-linejoin round fill none
path 'M 8,40 C 8,30 12,25 20,25'
polyline 15,20 21,25 15,30
stroke '#22a33a' stroke-width 2
path 'M 8,40 C 8,30 12,25 20,25'
polyline 15,20 21,25 15,30
MVG
}

# Close-up of a USB B plug being pushed into the printer's socket, 72 x 72.
usb_closeup_mvg() {
  cat <<'MVG'
push defs
push gradient 'wall' linear 0,0 0,72
stop-color '#ebe4d0' 0
stop-color '#c4ba9f' 1
pop gradient
push gradient 'metal' linear 0,29 0,43
stop-color '#f2f4f6' 0
stop-color '#9aa1a9' 1
pop gradient
push gradient 'boot' linear 0,25 0,47
stop-color '#4a4e55' 0
stop-color '#1f2226' 1
pop gradient
pop defs
stroke-linejoin round
stroke none fill '#eef3f8'
rectangle 0,0 72,72
push graphic-context
fill 'url(#wall)'
rectangle 0,0 23,72
pop graphic-context
stroke '#8a8068' stroke-width 1
line 23,0 23,72
# socket in the printer's side, with the USB mark above it
stroke '#1c1a17' stroke-width 1 fill '#2b2925'
polygon 7,28 17,28 20,31 20,44 7,44
fill '#6b6b6b' stroke none
rectangle 10,32.5 17,39.5
stroke '#3d3a33' stroke-width 1.1 fill none stroke-linecap round stroke-linejoin round
line 8,19 18,19
polyline 10.5,19 12.5,16 14.5,16
polyline 12.5,19 14,22 15.5,22
stroke none fill '#3d3a33'
ellipse 8,19 1.4,1.4 0,360
polygon 18,17.5 21,19 18,20.5
# the plug on its way in
push graphic-context
fill 'url(#metal)' stroke '#5d636a' stroke-width 0.8
polygon 27,29 34,29 34,43 27,43 27,32
pop graphic-context
push graphic-context
fill 'url(#boot)' stroke '#15171a' stroke-width 0.8
roundrectangle 33,25 47,47 3,3
polygon 47,30 52,32 52,40 47,42
pop graphic-context
stroke '#5b6068' stroke-width 0.8
line 37,29 37,43
line 41,29 41,43
# cable leaving to the lower right
stroke '#1f2226' stroke-width 5 fill none
path 'M 51,36 C 58,36 62,42 70,56'
# motion arrow
stroke '#ffffff' stroke-width 3.6 stroke-linecap round stroke-linejoin round
line 46,58 30,58
polyline 35,53 29,58 35,63
stroke '#22a33a' stroke-width 2.2
line 46,58 30,58
polyline 35,53 29,58 35,63
MVG
}

# Bitmap 131: two steps, the power switch and the USB cable (425 x 160).
make_connect() {  # out.png work-dir
  local out=$1 w=$2
  # Printer at 130 x 97.5 px, i.e. scale 0.65 of the design space.
  convert "$PRINTER" -filter Lanczos -resize 520x390 "$w/pr520.png"
  convert -size 288x288 xc:none -draw "scale 4,4
$(switch_closeup_mvg)" "$w/switch.png"
  convert -size 288x288 xc:none -draw "scale 4,4
$(usb_closeup_mvg)" "$w/usb.png"
  for b in switch usb; do
    convert "$w/$b.png" \( -size 288x288 xc:black -fill white -draw "circle 144,144 144,6" \) \
      -alpha off -compose CopyOpacity -composite "$w/$b-round.png"
  done
  # switch on the printer: design (182,109) -> (14 + 182 * .65, 42 + 109 * .65)
  convert -size 1700x640 xc:white \
    -draw "scale 4,4
stroke '#d5dbe3' stroke-width 1
line 212.5,14 212.5,146
$(callout_wedge 132.3 112.9 168 52 34)
$(callout_wedge 352.5 103.5 383 52 34)" \
    "$w/pr520.png" -geometry +56+168 -composite \
    "$w/pr520.png" -geometry +908+168 -composite \
    "$w/switch-round.png" -geometry +528+64 -composite \
    "$w/usb-round.png" -geometry +1388+64 -composite \
    -draw "scale 4,4
stroke-linejoin round
$(callout_rim 168 52 34)
$(callout_rim 383 52 34)
stroke '#1f2226' stroke-width 2.4 fill none stroke-linecap round
path 'M 352.5,103.5 C 378,103 392,116 398,160'
$(step_badge 16 16 1)
$(step_badge 229 16 2)" \
    -filter Box -resize 425x160 "$out"
}

# Bitmap 132: a computer with an installation box on a light-blue ground (112 x 125).
make_wait() {  # out.png work-dir
  local out=$1 w=$2
  convert "$PRINTER" -filter Lanczos -resize 92x69 "$w/pr-box.png"
  convert -size 448x500 gradient:'#e6f2fc'-'#aecff0' -draw "scale 4,4
push defs
push gradient 'screen' linear 0,22 0,68
stop-color '#4d9be6' 0
stop-color '#1b4e9b' 1
pop gradient
push gradient 'bezel' linear 0,18 0,76
stop-color '#4a5058' 0
stop-color '#23272c' 1
pop gradient
push gradient 'boxfront' linear 0,70 0,118
stop-color '#ffffff' 0
stop-color '#dde6f0' 1
pop gradient
pop defs
stroke-linejoin round
stroke none fill 'rgba(0,0,0,0.12)'
ellipse 48,107 44,4 0,360
ellipse 86,118 22,3 0,360
# monitor
push graphic-context
stroke '#15181c' stroke-width 0.8 fill 'url(#bezel)'
roundrectangle 8,16 90,74 4,4
pop graphic-context
push graphic-context
stroke none fill 'url(#screen)'
rectangle 12.5,20.5 85.5,68.5
pop graphic-context
stroke none
fill 'rgba(255,255,255,0.12)'
polygon 12.5,20.5 52,20.5 30,68.5 12.5,68.5
# installer window on the screen
fill '#f4f6f9' stroke '#0f2f66' stroke-width 0.5
rectangle 22,30 70,58
fill '#2f6fc4' stroke none
rectangle 22.3,30.3 69.7,34.5
fill '#c9d2dc'
rectangle 27,47 65,51
fill '#33c24d'
rectangle 27,47 52,51
fill '#7d8794'
rectangle 27,39 58,40.2
rectangle 27,42 48,43.2
fill '#7fd36b'
circle 82,71.5 83,71.5
# stand
fill '#5b616a' stroke '#2a2e33' stroke-width 0.6
polygon 42,74 56,74 59,85 39,85
ellipse 49,86 21,3 0,360
# keyboard
fill '#dfe3e8' stroke '#7a828c' stroke-width 0.7
polygon 12,93 74,93 80,104 6,104
stroke '#a7afb9' stroke-width 0.6
line 13,96.5 74,96.5
line 11,100 77,100
line 20,93.5 18,103.5
line 30,93.5 29,103.5
line 40,93.5 40,103.5
line 50,93.5 51,103.5
line 60,93.5 62,103.5
# installation box: top, side, front
stroke '#1d4f94' stroke-width 0.7
fill '#f7f9fc'
polygon 60,74 72,66 106,66 94,74
fill '#2f6fc4'
polygon 94,74 106,66 106,110 94,118
push graphic-context
fill 'url(#boxfront)'
polygon 60,74 94,74 94,118 60,118
pop graphic-context
stroke none fill '#2f6fc4'
polygon 60,98 94,88 94,96 60,106
fill 'rgba(255,255,255,0.35)'
polygon 96,74 104,68.5 104,76 96,81.5
# disc on the box
fill '#cfd6df' stroke '#8893a0' stroke-width 0.5
circle 77,107 86,107
fill '#e9eef4' stroke none
circle 77,107 83,107
fill '#ffffff' stroke '#8893a0' stroke-width 0.5
circle 77,107 79,107" \
    "$w/pr-box.png" -geometry +260+304 -composite \
    -filter Box -resize 112x125 "$out"
}
