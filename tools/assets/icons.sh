# Icon and cursor drawings, sourced by tools/make-assets. Each function prints
# MVG on a pixel grid of the icon's own size (16 or 32 units); shapes are
# filled rectangles on whole units so the downsampled result stays crisp.

ICON_OUTLINE='#3d382f'
ICON_BODY_TOP='#f3eee0'
ICON_BODY='#d8cfb5'
ICON_BODY_LOW='#c3b99e'
ICON_GREEN='#2fd24a'
ICON_GREEN_DARK='#15702a'

# Rectangle covering whole units x0..x1, y0..y1 (exclusive ends), filled.
r() { printf 'rectangle %s,%s %s,%s\n' "$1" "$2" "$(awk "BEGIN{print $3-0.13}")" "$(awk "BEGIN{print $4-0.13}")"; }

# 32-unit printer. $1: paper scroll phase (0..3), $2: LED on (1/0).
icon32_printer() {
  local phase=${1:-0} led=${2:-1} y
  echo "stroke none"
  # body
  echo "fill '$ICON_OUTLINE'"; echo "roundrectangle 1,12 30.87,26.87 2,2"
  echo "fill '$ICON_BODY_TOP'"; r 2 13 30 17
  echo "fill '$ICON_BODY'"; r 2 17 30 23
  echo "fill '$ICON_BODY_LOW'"; r 2 23 30 26
  echo "fill '#8b8170'"; r 2 17 30 18
  # feet
  echo "fill '$ICON_OUTLINE'"; r 3 27 7 29; r 25 27 29 29
  # vents
  echo "fill '#978d77'"; r 5 20 13 21; r 5 23 13 24
  # slot
  echo "fill '#2a2620'"; r 6 14 26 16
  # paper
  echo "fill '#6e6c66'"; r 8 1 24 15
  echo "fill '#ffffff'"; r 9 2 23 15
  echo "fill '#d5ead0'"
  for y in 2 8; do r 9 $(( y + (phase % 2) * 3 )) 23 $(( y + (phase % 2) * 3 + 3 )); done
  echo "fill '#55555e'"
  for y in 4 7 10 13; do
    y=$(( y - phase ))
    [ "$y" -lt 3 ] && y=$(( y + 12 ))
    [ "$y" -le 13 ] && r 11 $y $(( 16 + (y * 5) % 6 )) $(( y + 1 ))
  done
  # status LED
  echo "fill '$ICON_OUTLINE'"; r 22 19 28 24
  if [ "$led" = 1 ]; then echo "fill '$ICON_GREEN'"; else echo "fill '#35543a'"; fi
  r 23 20 27 23
  if [ "$led" = 1 ]; then echo "fill '#b9ffc4'"; r 23 20 25 21; fi
}

# 16-unit printer, drawn for the notification area: few, strong shapes.
icon16_printer() {
  echo "stroke none"
  echo "fill '$ICON_OUTLINE'"; r 0 6 16 14
  echo "fill '$ICON_BODY_TOP'"; r 1 7 15 9
  echo "fill '$ICON_BODY'"; r 1 9 15 13
  echo "fill '$ICON_OUTLINE'"; r 1 14 4 15; r 12 14 15 15
  echo "fill '#2a2620'"; r 2 7 14 8
  echo "fill '#5f5d57'"; r 3 0 13 8
  echo "fill '#ffffff'"; r 4 1 12 8
  echo "fill '#55555e'"; r 5 3 11 4; r 5 5 9 6
  echo "fill '#978d77'"; r 2 10 7 11
  echo "fill '$ICON_GREEN_DARK'"; r 10 9 14 13
  echo "fill '$ICON_GREEN'"; r 11 10 13 12
}

# Green round badge with a white tick, lower right of a 32-unit icon.
icon32_tick_badge() {
  cat <<MVG
stroke '#ffffff' stroke-width 1.2 fill '$ICON_GREEN_DARK'
circle 24,24 31.4,24
stroke none fill '#29b545'
circle 24,24 30,24
fill none stroke '#ffffff' stroke-width 2.2 stroke-linecap round stroke-linejoin round
polyline 20.5,24.3 23,26.8 27.6,21
MVG
}

# Blue down arrow (install), upper right of a 32-unit icon.
icon32_install_arrow() {
  cat <<MVG
stroke '#ffffff' stroke-width 1.3 stroke-linejoin round fill '#1f63c6'
polygon 22,0.8 29,0.8 29,8 31.5,8 25.5,15.5 19.5,8 22,8
stroke none fill '#5d9bf0'
polygon 23.2,2 25.5,2 25.5,9.2 23.2,9.2
MVG
}
icon16_install_arrow() {
  cat <<MVG
stroke none fill '#ffffff'
polygon 10,0 15.9,0 15.9,4 16,4 13,8.6 10,4
fill '#1f63c6'
polygon 11,0 14.9,0 14.9,4.6 15.2,4.6 13,7.4 10.8,4.6 11,4.6
MVG
}

# Warning triangle of the attention animation. $1: frame (0 amber, 1 red).
cursor_attention() {
  local fill='#ffb300' mark='#2b2210' edge='#7a4a00'
  if [ "$1" = 1 ]; then fill='#e53935'; mark='#ffffff'; edge='#7a1010'; fi
  cat <<MVG
stroke '$edge' stroke-width 1.6 stroke-linejoin round fill '$fill'
polygon 16,2.5 30,28 2,28
stroke none fill 'rgba(255,255,255,0.35)'
polygon 16,6 18,9.5 7.5,26 5.5,26
fill '$mark'
polygon 14.3,10 17.7,10 17,20.5 15,20.5
circle 16,24 17.8,24
MVG
}
