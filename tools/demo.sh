#!/usr/bin/env bash
# Shows Lexiferry at work. On a fresh Debian machine it installs what is missing, builds,
# prepares a demonstration Wine prefix (never the test prefix, never your own) with the two
# stand-ins for the Sogou export tool and the Kestrix IME plus the QQ and Microsoft layouts,
# and starts lexiferry.exe on your display, or on a virtual one when there is none. When the
# window closes it prints what the stand-in Kestrix IME received. On a machine that cannot run
# 32-bit programs (tools/widths.sh) it shows the 64-bit program instead.   Usage: tools/demo.sh
set -euo pipefail
LEXIFERRY_ROOT=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export LEXIFERRY_ROOT
build=${LEXIFERRY_BUILD_DIR:-$LEXIFERRY_ROOT/build}
sample=$LEXIFERRY_ROOT/tools/demo/sogou-userdict.txt

"$LEXIFERRY_ROOT/tools/install-deps.sh"
"$LEXIFERRY_ROOT/tools/build.sh" "$build"

# shellcheck source=display.sh
source "$LEXIFERRY_ROOT/tools/display.sh"
prefix=$build/demo-prefix
lexiferry_session "$prefix" own

wine_cmd() { (cd / && "$LEXIFERRY_WINE" "$@") </dev/null >/dev/null 2>&1; }

# The program users take is the 32-bit one; where no 32-bit program runs, its 64-bit twin, with
# the 64-bit stand-ins.
windows=$prefix/drive_c/windows
if [ "$LEXIFERRY_RUNS_32BIT" = yes ]; then
  program_tree=$build
  ime_directory=$windows/syswow64
else
  echo "Showing the 64-bit Lexiferry: $LEXIFERRY_NO_32BIT_WHY."
  program_tree=$build-x64
  ime_directory=$windows/system32
fi

# The Sogou installation: its key, and the stand-in export tool, which writes the sample
# user dictionary (UTF-16LE with a byte-order mark and CR LF, as the real tool does).
sogou_root='C:\Program Files (x86)\SogouInput'
sogou_version=12.3.0.4567
tool_dir=$prefix/drive_c/Program\ Files\ \(x86\)/SogouInput/$sogou_version
mkdir -p "$tool_dir"
cp "$program_tree/standins/sgtool.exe" "$tool_dir/sgtool.exe"
{ printf '\xff\xfe'; sed 's/$/\r/' "$sample" | iconv -f UTF-8 -t UTF-16LE; } >"$tool_dir/sgtool.out"
# A moment of export time, so the progress sentence can be seen.
printf '[sgtool]\r\ndelayMs=1500\r\n' >"$tool_dir/sgtool.ini"
# Sogou's installer is a 32-bit program: its key lands in the registry's 32-bit view.
wine_cmd reg add 'HKLM\SOFTWARE\sogouinput' /ve /d "$sogou_root" /f /reg:32
wine_cmd reg add 'HKLM\SOFTWARE\sogouinput' /v version /d "$sogou_version" /f /reg:32

# The stand-in Kestrix IME, which records what its import escape receives, in both widths as
# a real IME installs itself (the 32-bit lexiferry.exe loads the one in syswow64), or only in
# system32 where the prefix has no 32-bit half.
cp "$build-x64/standins/KestrixPinyin2.ime" "$windows/system32/KestrixPinyin2.ime"
[ "$LEXIFERRY_RUNS_32BIT" = no ] ||
  cp "$build/standins/KestrixPinyin2.ime" "$windows/syswow64/KestrixPinyin2.ime"
rm -f "$ime_directory/KestrixPinyin2.dic" "$ime_directory/KestrixPinyin2.calls" \
      "$ime_directory/KestrixPinyin2.ini"

# Four pinyin layouts, so all four boxes show: QQ, Sogou, Microsoft, Kestrix.
layouts='HKLM\SYSTEM\CurrentControlSet\Control\Keyboard Layouts'
add_layout() {  # key, layout text, [IME file]
  wine_cmd reg add "$layouts\\$1" /v 'Layout Text' /d "$2" /f
  wine_cmd reg add "$layouts\\$1" /v 'Layout File' /d kbdus.dll /f
  [ -z "${3:-}" ] || wine_cmd reg add "$layouts\\$1" /v 'Ime File' /d "$3" /f
}
add_layout E0200804 'QQ拼音输入法'
add_layout E0210804 '搜狗拼音输入法'
add_layout E0220804 '微软拼音输入法'
add_layout E0230804 'Kestrix拼音输入法' KestrixPinyin2.ime

# With nobody to look at a virtual display, the demonstration presses the buttons itself and
# keeps pictures of what the window showed.
autopilot() {
  local window=""
  for _ in $(seq 100); do
    window=$(xdotool search --name '^Lexiferry$' 2>/dev/null | head -n1) && [ -n "$window" ] && break
    sleep 0.1
  done
  [ -n "$window" ] || return 0
  sleep 1
  import -window "$window" "$build/demo-choosing.png" 2>/dev/null || true
  eval "$(xdotool getwindowgeometry --shell "$window")"
  # The sync button: 70 pixels in and 58 above the client bottom; the frame is a few pixels.
  xdotool mousemove --window "$window" 140 $((HEIGHT - 42)) click 1
  sleep 0.5
  import -window "$window" "$build/demo-syncing.png" 2>/dev/null || true
  sleep 3
  import -window "$window" "$build/demo-finished.png" 2>/dev/null || true
  # The OK button, centred in the same band.
  xdotool mousemove --window "$window" $((WIDTH / 2 + 6)) $((HEIGHT - 42)) click 1
  echo "No display: the demonstration pressed 立即同步 and 确定 itself; pictures in $build/demo-*.png"
}

echo "Starting Lexiferry on display $DISPLAY. Press 立即同步, then 确定 to close the window."
"$LEXIFERRY_WINE" "$program_tree/lexiferry.exe" </dev/null >/dev/null 2>&1 &
program=$!
if [ -n "${LEXIFERRY_XVFB_PID:-}" ]; then autopilot; fi
status=0
wait "$program" || status=$?
echo "Lexiferry ended with exit code $status."

received=$ime_directory/KestrixPinyin2.dic
if [ ! -s "$received" ]; then
  echo "The stand-in Kestrix IME received nothing (no sync was made, or it failed)."
  exit 0
fi
# The import file is in the ANSI code page of a Simplified-Chinese Windows.
text=$(iconv -f GB18030 -t UTF-8 "$received" | tr -d '\r')
arrived=$(printf '%s\n' "$text" | wc -l)

# Sorts the sample's entries by the rules Kestrix refuses them by: a single character, a
# Latin letter in the word, a character that its code page (936, GBK) lacks.
entries=0 single=() latin=() outside=()
while IFS= read -r line; do
  case $line in '' | ';'*) continue ;; esac
  entries=$((entries + 1))
  word=${line#* }
  if [ "$(printf '%s' "$word" | iconv -f UTF-8 -t UTF-16LE | wc -c)" -le 2 ]; then
    single+=("$word")
  elif printf '%s' "$word" | LC_ALL=C grep -q '[A-Za-z]'; then
    latin+=("$word")
  elif ! printf '%s' "$word" | iconv -f UTF-8 -t GBK >/dev/null 2>&1; then
    outside+=("$word")
  fi
done <"$sample"
refused=$((${#single[@]} + ${#latin[@]} + ${#outside[@]}))

echo "The stand-in Kestrix IME received $arrived of the sample's $entries entries" \
     "(word, weight, pinyin); the first ten:"
printf '%s\n' "$text" | head -n 10 | sed 's/^/  /'
echo "Not carried over, because Kestrix refuses them ($refused):"
printf '  %3d single characters: %s ...\n' "${#single[@]}" "${single[*]:0:6}"
printf '  %3d words with Latin letters: %s ...\n' "${#latin[@]}" "${latin[*]:0:6}"
printf '  %3d words with a character outside code page 936 (GBK): %s\n' "${#outside[@]}" \
       "${outside[*]:0:6}"
if [ "$arrived" -ne $((entries - refused)) ]; then
  echo "Expected $((entries - refused)) entries to arrive, not $arrived."
fi
