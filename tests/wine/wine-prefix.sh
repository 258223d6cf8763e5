# Shared shell helpers for Wine sandboxes; sourced by run-in-wine and the scripts.
#
# zep_wine_loader EXE      prints the Wine loader for a PE file (wine64 for PE32+)
# zep_wine_template ARCH   prints the path of a ready template prefix, making it once
# zep_wine_clone ARCH DIR  makes DIR a fresh prefix cloned from the template

zep_wine_cache() {
  printf '%s\n' "${ZEP_WINE_CACHE:-${XDG_CACHE_HOME:-$HOME/.cache}/zeppatch-wine}"
}

zep_wine_loader() {
  if od -An -tx1 -j"$(( $(od -An -tu4 -j60 -N4 "$1") + 24 ))" -N2 "$1" | grep -q '0b 02'; then
    echo /usr/lib/wine/wine64
  else
    echo /usr/lib/wine/wine
  fi
}

# 32-bit programs need a machine that can execute 32-bit (i386) Linux code.
zep_can_run_i386() {
  /usr/lib/wine/wine --version >/dev/null 2>&1
}

zep_wine_template() {
  local arch=$1 cache dir
  cache=$(zep_wine_cache)
  dir=$cache/template-$arch
  mkdir -p "$cache"
  (
    flock 9
    if [ ! -f "$dir/.ready" ]; then
      rm -rf "$dir"
      if [ "$arch" = win32 ]; then
        WINEARCH=win32 WINEPREFIX=$dir WINEDEBUG=-all /usr/lib/wine/wine wineboot -i >/dev/null 2>&1
      else
        WINEPREFIX=$dir WINEDEBUG=-all /usr/lib/wine/wine64 wineboot -i >/dev/null 2>&1
      fi
      WINEPREFIX=$dir wineserver -w
      touch "$dir/.ready"
    fi
  ) 9>"$cache/.lock-$arch"
  printf '%s\n' "$dir"
}

# The big system folders are hard-linked (Wine never rewrites them in place);
# everything else is copied so that a test can change it freely.
zep_wine_clone() {
  local arch=$1 dest=$2 template
  template=$(zep_wine_template "$arch")
  rm -rf "$dest"
  mkdir -p "$dest/drive_c/windows"
  cp -a "$template"/*.reg "$template/.update-timestamp" "$template/dosdevices" "$dest/"
  local entry
  for entry in "$template"/drive_c/*; do
    [ "$(basename "$entry")" = windows ] || cp -a "$entry" "$dest/drive_c/"
  done
  for entry in "$template"/drive_c/windows/*; do
    case "$(basename "$entry")" in
      system32|syswow64) cp -al "$entry" "$dest/drive_c/windows/" ;;
      *) cp -a "$entry" "$dest/drive_c/windows/" ;;
    esac
  done
}
