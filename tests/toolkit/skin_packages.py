#!/usr/bin/env python3
"""Skin packages for toolkit_test, written with Python's zipfile.

packages/: archives with the reader's edge cases, and packages.tsv, one line
per lookup: archive, entry, expected outcome (bytes, empty, missing,
badarchive) and, for bytes, the file holding zipfile's own read of the entry.
vocabulary/: a skin package with includes, languages and every element kind,
its resource folder with a font file, and fonts.tsv with that file's family
name as FreeType reads it.
errors/: one package per broken Skin.xml and errors.tsv with xmllint's
verdict: the case, the line xmllint reports (0 when it is not the same error
position by construction) and the package.
"""
import os
import shutil
import struct
import subprocess
import sys
import zipfile
import zlib

import freetype

HERE = os.path.dirname(os.path.abspath(__file__))
LIMIT = 64 << 20


def clean(folder):
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)


def patch_sizes(path, entry, crc=None, size=None):
    """Rewrites the CRC or the uncompressed size of one entry in its local
    header and in the central directory."""
    data = bytearray(open(path, 'rb').read())
    name = entry.encode()
    for sig, crc_at, size_at, name_len_at, name_at in ((b'PK\x03\x04', 14, 22, 26, 30),
                                                       (b'PK\x01\x02', 16, 24, 28, 46)):
        pos = 0
        while True:
            pos = data.find(sig, pos)
            if pos < 0:
                break
            n = struct.unpack_from('<H', data, pos + name_len_at)[0]
            if bytes(data[pos + name_at:pos + name_at + n]) == name:
                if crc is not None:
                    struct.pack_into('<I', data, pos + crc_at, crc)
                if size is not None:
                    struct.pack_into('<I', data, pos + size_at, size)
            pos += 4
    open(path, 'wb').write(data)


def zipfile_read(path, entry):
    """zipfile's read of an entry, or None when zipfile refuses it."""
    try:
        with zipfile.ZipFile(path) as z:
            info = z.getinfo(entry)
            if info.file_size > LIMIT:
                return None
            return z.read(entry)
    except (zipfile.BadZipFile, zlib.error, EOFError, OSError, KeyError):
        return None


def packages(root):
    folder = os.path.join(root, 'packages')
    clean(folder)
    lines = []
    expected_no = [0]

    def expect(archive, entry, outcome=None, real_name=None):
        path = os.path.join(folder, archive)
        if outcome is None:
            content = zipfile_read(path, real_name or entry)
            outcome = 'empty' if content is None or len(content) == 0 else 'bytes'
        out = '-'
        if outcome == 'bytes':
            expected_no[0] += 1
            out = 'expected-%d.bin' % expected_no[0]
            open(os.path.join(folder, out), 'wb').write(zipfile_read(path, real_name or entry))
        lines.append('\t'.join((archive, entry, outcome, out)))

    text = ''.join('line %d of the skin\n' % i for i in range(2000)).encode()
    pseudo = bytes((i * 7919 + (i >> 8) * 31) & 0xFF for i in range(1 << 20))

    with zipfile.ZipFile(os.path.join(folder, 'good.zip'), 'w') as z:
        z.writestr(zipfile.ZipInfo('skin.XML'), b'<Skin/>')
        z.writestr('stored.txt', text, compress_type=zipfile.ZIP_STORED)
        z.writestr('deflated.txt', text, compress_type=zipfile.ZIP_DEFLATED)
        z.writestr('images/Pseudo.bin', pseudo, compress_type=zipfile.ZIP_DEFLATED)
        z.writestr('empty.xml', b'')
        z.writestr('folder/', b'')
    expect('good.zip', 'Skin.xml', real_name='skin.XML')
    expect('good.zip', 'stored.txt')
    expect('good.zip', 'deflated.txt')
    expect('good.zip', 'IMAGES/pseudo.BIN', real_name='images/Pseudo.bin')
    expect('good.zip', 'empty.xml', 'empty')
    expect('good.zip', 'absent.xml', 'missing')
    expect('good.zip', 'x' * 300, 'missing')

    # A stored entry whose checksum is wrong: every byte reads, the check fails.
    path = os.path.join(folder, 'crc.zip')
    with zipfile.ZipFile(path, 'w') as z:
        z.writestr('Skin.xml', text, compress_type=zipfile.ZIP_STORED)
        z.writestr('ok.txt', b'still fine', compress_type=zipfile.ZIP_STORED)
    patch_sizes(path, 'Skin.xml', crc=zlib.crc32(text) ^ 0x5A5A5A5A)
    expect('crc.zip', 'Skin.xml')
    expect('crc.zip', 'ok.txt')

    # Deflated data damaged in the middle: the inflation stops early.
    path = os.path.join(folder, 'damaged.zip')
    with zipfile.ZipFile(path, 'w') as z:
        z.writestr('pseudo.bin', pseudo, compress_type=zipfile.ZIP_DEFLATED)
    data = bytearray(open(path, 'rb').read())
    start = 30 + len('pseudo.bin')
    for i in range(start + 2000, start + 2400):
        data[i] = 0xFF
    open(path, 'wb').write(data)
    expect('damaged.zip', 'pseudo.bin')

    # An entry that claims 100 MB: refused without allocating it.
    path = os.path.join(folder, 'huge.zip')
    with zipfile.ZipFile(path, 'w') as z:
        z.writestr('Skin.xml', text, compress_type=zipfile.ZIP_DEFLATED)
    patch_sizes(path, 'Skin.xml', size=100 << 20)
    expect('huge.zip', 'Skin.xml', 'empty')

    # An entry that claims more than it holds.
    path = os.path.join(folder, 'short.zip')
    with zipfile.ZipFile(path, 'w') as z:
        z.writestr('Skin.xml', text, compress_type=zipfile.ZIP_DEFLATED)
    patch_sizes(path, 'Skin.xml', size=len(text) + 100)
    expect('short.zip', 'Skin.xml', 'empty')

    # A second archive: entries come from it only.
    with zipfile.ZipFile(os.path.join(folder, 'second.zip'), 'w') as z:
        z.writestr('second.txt', b'from the second archive')
    expect('second.zip', 'second.txt')
    expect('second.zip', 'stored.txt', 'missing')

    open(os.path.join(folder, 'not-a-zip.zip'), 'wb').write(b'This is not an archive.\r\n' * 10)
    expect('not-a-zip.zip', 'Skin.xml', 'badarchive')
    expect('no-such-file.zip', 'Skin.xml', 'badarchive')

    with open(os.path.join(folder, 'packages.tsv'), 'w') as f:
        f.write('\n'.join(lines) + '\n')


VOCABULARY = {
    'Skin.xml': '''<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <!-- every kind of element, in the order the tests read them -->
  <Infoes Title="Gallery" Author="Mensaro" Language="2052">
    <About Description="no title"/>
  </Infoes>
  <colors><Lower Red="9"/></colors>
  <Colors>
    <!-- skipped -->
    <RedOnly Red="255"/>
    <Full Red="1" Green="2" Blue="3" Alpha="4"/>
    <Odd Red="300" Green="-1" Blue=" 12 " Alpha="yes"/>
  </Colors>
  <Fonts>
    <Plain/>
    <Glyphs FamilyName="MensaroIcon" File="fontawesome-webfont.ttf" Height="20" Width="7" Weight="700" Italic="true" Underline="1" Bold="0"/>
    <Broken Height="-5" Italic="maybe" FamilyName="A family name far longer than thirty-one characters"/>
  </Fonts>
  <Images><Logo File="images/logo.png" KeyColorLow="0"/><NoFile/></Images>
  <Text>
    <MFileOpen Text="Open"/>
    <Twice Text="first"/>
    <Twice Text="second"/>
    <NoText/>
    <Language Id="2052">
      <!-- a comment among the texts -->
      <MFileOpen Text="&#25171;&#24320;"/>
      <OnlyChinese Text="&#20013;"/>
    </Language>
    <Language><NoId Text="under 1033"/></Language>
    <Language Id="1031"><German Text="Datei"/></Language>
  </Text>
  <INCLUDE File="more.xml"/>
  <Text><After Text="after the include"/></Text>
  <include File="Skin.xml"/>
  <Windows>
    <MainFrame Class="WINDOW" CommandID="0x1F">
      <!-- not a child -->
      <Child Class="BUTTON" X="31"/>
      <Lonely Class="BUTTON"/>
      <list Class="LIST" Width="12abc">
        <Item Text="a" Data="1"/>
      </list>
    </MainFrame>
    <Single Class="WINDOW"/>
  </Windows>
  <Other><Text Foo="1"/></Other>
  Character data is passed over.
</Skin>
''',
    'more.xml': '''<?xml version="1.0"?>
<Skin>
  <Text>
    <Between Text="from the include"/>
    <twice Text="third"/>
  </Text>
  <Include File="SKIN.XML"/>
  <Include File="notskin.xml"/>
</Skin>
''',
    'notskin.xml': '<NotSkin><Text><Hidden Text="x"/></Text></NotSkin>',
}


def vocabulary(root):
    folder = os.path.join(root, 'vocabulary')
    clean(folder)
    with zipfile.ZipFile(os.path.join(folder, 'velin.dll'), 'w', zipfile.ZIP_DEFLATED) as z:
        for name, text in VOCABULARY.items():
            z.writestr(name, text.encode('utf-8'))
        z.writestr('images/logo.png', b'\x89PNG\r\n\x1a\n' + b'\0' * 32)
    # Skins in encodings expat does not know itself but the system's code
    # pages do; the last Big5 character's second byte is a backslash.
    for name, encoding in (('gb2312.zip', 'gb2312'), ('windows-1251.zip', 'windows-1251'),
                           ('big5.zip', 'big5')):
        text = {'gb2312': '\u6253\u5f00\u6587\u4ef6', 'windows-1251': '\u0424\u0430\u0439\u043b',
                'big5': '\u958b\u555f\u6a94\u6848\u8a31'}[encoding]
        doc = ('<?xml version="1.0" encoding="%s"?>\n<Skin><Text><Language Id="2052">'
               '<MFileOpen Text="%s"/></Language></Text></Skin>\n' % (encoding.upper(), text))
        with zipfile.ZipFile(os.path.join(folder, name), 'w') as z:
            z.writestr('Skin.xml', doc.encode(encoding))
    for name, include in (('missing-include.zip', '<Include File="nothere.xml"/>'),
                          ('include-without-file.zip', '<Include/>')):
        with zipfile.ZipFile(os.path.join(folder, name), 'w') as z:
            z.writestr('Skin.xml', '<Skin><Text><A Text="a"/></Text>%s</Skin>' % include)
    os.makedirs(os.path.join(folder, 'resource'))
    font = os.path.join(folder, 'resource', 'fontawesome-webfont.ttf')
    rename_family('/usr/share/fonts/truetype/font-awesome/fontawesome-webfont.ttf', font,
                  'FontAwesome', 'MensaroIcon')
    family = freetype.Face(font).family_name.decode()
    if family != 'MensaroIcon':
        sys.exit('the renamed font reads as ' + family)
    with open(os.path.join(folder, 'fonts.tsv'), 'w') as f:
        f.write('fontawesome-webfont.ttf\t%s\n' % family)


def rename_family(source, target, old, new):
    """A copy of a TrueType font whose name table says new where it said old
    (same length, in place): a family no system has, so only the skin's
    private collection can hold it."""
    assert len(old) == len(new)
    data = bytearray(open(source, 'rb').read())
    tables = struct.unpack_from('>H', data, 4)[0]
    for i in range(tables):
        tag, _, offset, length = struct.unpack_from('>4sIII', data, 12 + 16 * i)
        if tag == b'name':
            block = bytes(data[offset:offset + length])
            for a, b in ((old.encode('utf-16-be'), new.encode('utf-16-be')), (old.encode(), new.encode())):
                block = block.replace(a, b)
            data[offset:offset + length] = block
    open(target, 'wb').write(data)


# Broken documents: (case, text, whether xmllint's line is the same position).
ERRORS = [
    ('unclosed', '<Skin>\n<Text>\n</Skin>\n', True),
    ('quote', '<Skin>\n<Text><A Text="open/>\n</Text></Skin>\n', True),
    ('entity', '<Skin>\n<Text><A Text="&nothing;"/></Text>\n</Skin>\n', True),
    ('after-root', '<Skin>\n</Skin>\ntrailing text\n', True),
    ('two-roots', '<Skin/>\n<Skin/>\n', True),
    ('empty', '', True),
    ('line12', '<?xml version="1.0"?>\n<Skin>\n' + ''.join('  <!-- filler %d -->\n' % i for i in range(3, 12))
     + '   <1/>\n</Skin>\n', True),
    ('deep', '<Skin>' + '<W a="1" b="2">' * 2000 + '</W>' * 2000 + '</Skin>', True),
]


def errors(root):
    folder = os.path.join(root, 'errors')
    clean(folder)
    lines = []
    for case, text, same in ERRORS:
        doc = os.path.join(folder, case + '.xml')
        open(doc, 'wb').write(text.encode('utf-8'))
        run = subprocess.run(['xmllint', '--noout', doc], capture_output=True, text=True)
        if run.returncode == 0:
            sys.exit('xmllint accepts the broken document ' + case)
        first = run.stderr.split('\n')[0]
        line = int(first.split(':')[1]) if same else 0
        with zipfile.ZipFile(os.path.join(folder, case + '.zip'), 'w') as z:
            z.writestr('Skin.xml', text.encode('utf-8'))
        lines.append('%s\t%d' % (case, line))
    with open(os.path.join(folder, 'errors.tsv'), 'w') as f:
        f.write('\n'.join(lines) + '\n')


def main():
    root = os.getcwd()
    packages(root)
    vocabulary(root)
    errors(root)


if __name__ == '__main__':
    main()
