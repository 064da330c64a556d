#!/usr/bin/env bash
# Checks an installed kestrel package as a new user would find it: the manual,
# bash completion, the validators on the installed desktop files, and the
# thumbnailer run through its installed Exec line on one file of each format.
#
#   apt-get install ./kestrel_*.deb && packaging/check_installed.sh && apt-get remove -y kestrel
set -euo pipefail
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
say() { printf '%-60s %s\n' "$1" "$2"; }

man -w kestrel >/dev/null && MANWIDTH=80 man kestrel 2>/dev/null | grep -q "kestrel convert" &&
  say "man kestrel" ok
completion=$(bash -c 'source /usr/share/bash-completion/bash_completion
  COMP_WORDS=(kestrel con); COMP_CWORD=1; COMP_LINE="kestrel con"; COMP_POINT=11
  _completion_loader kestrel; complete -p kestrel >/dev/null; _kestrel kestrel con kestrel
  echo "${COMPREPLY[*]}"')
[ "$completion" = convert ] && say "bash completion of 'kestrel con'" "$completion"
desktop-file-validate /usr/share/applications/kestrel.desktop && say desktop-file-validate ok
appstreamcli validate --no-net /usr/share/metainfo/org.example.kestrel.metainfo.xml >/dev/null &&
  say "appstreamcli validate --no-net" ok

# One file of each format, drawn through the installed thumbnailer line.
printf 'v 0 0 0\nv 4 0 0\nv 0 4 0\nv 0 0 4\nf 1 2 3\nf 1 2 4\nf 1 3 4\n' >"$work/wedge.obj"
printf '#declare T = mesh { triangle { <0,0,0>, <4,0,0>, <0,4,0> } }\n' >"$work/tri.inc"
printf '0\nSECTION\n2\nENTITIES\n0\n3DFACE\n8\n0\n10\n0\n20\n0\n30\n0\n11\n4\n21\n0\n31\n0\n12\n4\n22\n4\n32\n0\n13\n0\n23\n4\n33\n0\n0\nENDSEC\n0\nEOF\n' >"$work/face.dxf"
# A 3DS file: main chunk, editor, one object "Box" with 3 vertices and 1 face.
printf '\x4d\x4d\x58\x00\x00\x00\x3d\x3d\x52\x00\x00\x00\x00\x40\x4c\x00\x00\x00Box\x00\x00\x41\x42\x00\x00\x00\x10\x41\x2c\x00\x00\x00\x03\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x80\x40\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x00\x80\x40\x00\x00\x00\x00\x20\x41\x10\x00\x00\x00\x01\x00\x00\x00\x01\x00\x02\x00\x07\x00' >"$work/box.3ds"
exec_line=$(sed -n 's/^Exec=//p' /usr/share/thumbnailers/kestrel.thumbnailer)
for f in wedge.obj box.3ds face.dxf tri.inc; do
  line=${exec_line//%i/\'$work/$f\'}
  line=${line//%o/\'$work/$f.png\'}
  line=${line//%s/128}
  (cd / && env -u DISPLAY bash -c "$line")
  file "$work/$f.png" | grep -q "PNG image data, 128 x 128, 8-bit/color RGBA" &&
    say "thumbnailer: $f" "$(file -b "$work/$f.png")"
done

# GNOME's own thumbnail factory (gir1.2-gnomedesktop-3.0), as Files calls it:
# the cache file is thumbnails/normal/<md5 of the URI>.png and carries the
# file's URI and modification time.
if /usr/bin/python3 -c "import gi; gi.require_version('GnomeDesktop', '3.0')" 2>/dev/null; then
  XDG_CACHE_HOME=$work/cache /usr/bin/python3 - "$work"/{wedge.obj,box.3ds,face.dxf,tri.inc} <<'PY'
import hashlib, os, struct, sys, zlib
import gi
gi.require_version('GnomeDesktop', '3.0')
from gi.repository import GnomeDesktop, Gio

def text_chunks(png):
    data, chunks, at = open(png, 'rb').read(), {}, 8
    while at < len(data):
        length, kind = struct.unpack('>I4s', data[at:at + 8])
        if kind == b'tEXt':
            key, value = data[at + 8:at + 8 + length].split(b'\0', 1)
            chunks[key.decode()] = value.decode()
        at += 12 + length
    return chunks

factory = GnomeDesktop.DesktopThumbnailFactory.new(GnomeDesktop.DesktopThumbnailSize.NORMAL)
for path in sys.argv[1:]:
    file = Gio.File.new_for_path(path)
    uri = file.get_uri()
    info = file.query_info('standard::content-type,time::modified', 0, None)
    mime, mtime = info.get_content_type(), info.get_attribute_uint64('time::modified')
    picture = factory.generate_thumbnail(uri, mime)
    factory.save_thumbnail(picture, uri, mtime)
    cached = os.path.join(os.environ['XDG_CACHE_HOME'], 'thumbnails', 'normal',
                          hashlib.md5(uri.encode()).hexdigest() + '.png')
    chunks = text_chunks(cached)
    assert chunks.get('Thumb::URI') == uri and chunks.get('Thumb::MTime') == str(mtime), chunks
    print('%-60s %s' % ('GNOME factory: ' + os.path.basename(path) + ' (' + mime + ')',
                        'cached with Thumb::URI and Thumb::MTime'))
PY
else
  say "GNOME factory" "skipped: gir1.2-gnomedesktop-3.0 is not installed"
fi
