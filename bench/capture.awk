# A monitor capture of n lines (CR LF ends): every kind of packet the decoder knows,
# weighted towards positions and MIC-E as on a busy channel, with varying positions.
# Sources vary at random; with -v stations=N each line's source is one of N stations.
#   awk -v n=LINES [-v stations=N] -f bench/capture.awk
# Replaces the first "LAT" or "LON" by hand: mawk's gsub keeps every distinct replacement
# text it was given, which makes a long capture take quadratic time.
function put(text, mark, value,    at) {
  at = index(text, mark)
  return at ? substr(text, 1, at - 1) value substr(text, at + length(mark)) : text
}
function station(s) {
  # One of 10 x 26 x 26 x 26 callsigns, and an SSID for every other hundred.
  return sprintf("K%d%c%c%c%s", s % 10, 65 + int(s / 10) % 26, 65 + int(s / 260) % 26, 65 + int(s / 6760) % 26,
                 int(s / 100) % 2 ? "-" (s % 15 + 1) : "")
}
BEGIN {
  srand(7)
  k[i++] = "TT3P50,WIDE1-1,WIDE2-1:`(0&!ZN>/comment"
  k[i++] = "T2SP0W,WIDE2-1:`c_Vm6hk/`\"49}Jeff Mobile_%"
  k[i++] = "SX15S6,WIDE2-1:\x27I\x27,l >/]"
  k[i++] = "S4PT3R:`p(1oR0K\\>TH-D74A^"
  k[i++] = "APRS,WIDE2-1:!LAT/LON-Test 001234"
  k[i++] = "APRS,WIDE1-1:=LAT/LON>088/036"
  k[i++] = "APRS:/092345zLAT/LON>Test1234"
  k[i++] = "APRS:@092345zLAT/LON_220/004g005t077r000p000P000h50b09900wRSW"
  k[i++] = "APRS:!/5L!!<*e7>7P["
  k[i++] = "APRS,WIDE2-1:!LAT/LON#PHG5360 digi"
  k[i++] = "APRS:;LEADER   *092345zLAT/LON>comment"
  k[i++] = "APRS:)AID #2!LAT/LONA"
  k[i++] = "APRS,TCPIP*:}ISRC>IDEST,IPATH:!LAT/LON-inner"
  k[i++] = "APRS::ADDRESSEE:hello there{001"
  k[i++] = "APRS:>Net control tonight"
  k[i++] = "APRS:<IGATE,MSG_CNT=30,LOC_CNT=12"
  k[i++] = "APRS:T#005,199,000,255,073,123,01101001"
  k[i++] = "GPSLV:$GPRMC,063909,A,3349.4302,N,11700.3721,W,43.022,89.3,291099,13.1,E*5F"
  for (j = 0; j < n; j++) {
    p = k[int(rand() * i)]
    lat = sprintf("%02d%02d.%02d%s", int(rand() * 90), int(rand() * 60), int(rand() * 100), rand() < .5 ? "N" : "S")
    lon = sprintf("%03d%02d.%02d%s", int(rand() * 180), int(rand() * 60), int(rand() * 100), rand() < .5 ? "E" : "W")
    p = put(put(p, "LAT", lat), "LON", lon)
    if (stations > 0)
      printf "%s>%s\r\n", station(int(rand() * stations)), p
    else
      printf "N%dQ%c-%d>%s\r\n", int(rand() * 10), 65 + int(rand() * 26), int(rand() * 16), p
  }
}
