#!/usr/bin/python3
"""Checks a built skin package the way the toolkit will read it.

It opens the package (a ZIP such as velin.dll), reads Skin.xml and every
entry it includes with its own XML parser, follows the same walk as the
toolkit's document loader, and reports each place where the toolkit would
build a broken window tree or show an empty text without any error: keys and
element names that name nothing, names outside the factory's tables, window
elements the loader drops, glyphs a font lacks, fonts and pictures that do
not load. It also checks that every name the program looks up is there: the
names in skin/lookups.txt and the literal keys of FindElement, FindFont and
the menu resources in the program's sources.

usage: skin_lint.py PACKAGE [--resource DIR] [--lookups FILE] [--sources ROOT]
Exit status 1 when anything was found; each finding is one line
"rule: where: what".
"""
import argparse
import io
import os
import pathlib
import re
import subprocess
import sys
import xml.etree.ElementTree as ET
import zipfile

# ---------------------------------------------------------------------------
# Tables of the toolkit. They mirror the control factory's tables: the Class
# names it creates controls for, and the names its Style, ExStyle and Align
# expressions accept (compared case-sensitively, like the factory does).

FACTORY_CLASSES = {
    "WINDOW", "BUTTON", "ICONBUTTON", "GEOMETRYBUTTON", "CLBUTTON", "BUTTONCOLOR",
    "BUTTONWEIGHT", "BUTTONFONT", "EDIT", "EDT", "STATIC", "LISTBOX", "SCROLLBAR",
    "COMBOBOX", "TREEVIEW", "SLIDER", "SPIN", "COMMONEDIT",
}

STYLE_NAMES = set("""
WS_BORDER WS_CAPTION WS_CHILD WS_CHILDWINDOW WS_CLIPCHILDREN WS_CLIPSIBLINGS
WS_DISABLED WS_DLGFRAME WS_GROUP WS_HSCROLL WS_ICONIC WS_MAXIMIZE WS_MAXIMIZEBOX
WS_MINIMIZE WS_MINIMIZEBOX WS_OVERLAPPED WS_OVERLAPPEDWINDOW WS_POPUP
WS_POPUPWINDOW WS_SIZEBOX WS_SYSMENU WS_TABSTOP WS_THICKFRAME WS_TILED
WS_TILEDWINDOW WS_VISIBLE WS_VSCROLL DS_ABSALIGN DS_SYSMODAL DS_LOCALEDIT
DS_SETFONT DS_MODALFRAME DS_NOIDLEMSG DS_SETFOREGROUND DS_3DLOOK DS_FIXEDSYS
DS_NOFAILCREATE DS_CONTROL DS_CENTER DS_CENTERMOUSE DS_CONTEXTHELP DS_SHELLFONT
BS_PUSHBUTTON BS_DEFPUSHBUTTON BS_CHECKBOX BS_AUTOCHECKBOX BS_RADIOBUTTON
BS_3STATE BS_AUTO3STATE BS_GROUPBOX BS_USERBUTTON BS_AUTORADIOBUTTON BS_PUSHBOX
BS_OWNERDRAW BS_TYPEMASK BS_LEFTTEXT BS_BACKIMGE BS_MENU BS_TEXT BS_ICON
BS_BITMAP BS_LEFT BS_RIGHT BS_CENTER BS_TOP BS_BOTTOM BS_VCENTER BS_PUSHLIKE
BS_MULTILINE BS_NOTIFY BS_FLAT BS_RIGHTBUTTON SS_LEFT SS_CENTER SS_RIGHT SS_TOP
SS_BOTTOM SS_VCENTER SBS_HORZ SBS_VERT SBS_TOPALIGN SBS_LEFTALIGN
SBS_BOTTOMALIGN SBS_RIGHTALIGN SBS_SIZEBOXTOPLEFTALIGN
SBS_SIZEBOXBOTTOMRIGHTALIGN SBS_SIZEBOX SBS_SIZEGRIP ES_LEFT ES_CENTER ES_RIGHT
ES_MULTILINE ES_UPPERCASE ES_LOWERCASE ES_PASSWORD ES_AUTOVSCROLL
ES_AUTOHSCROLL ES_NOHIDESEL ES_OEMCONVERT ES_READONLY ES_WANTRETURN ES_NUMBER
ES_SAVESEL ES_SUNKEN ES_DISABLENOSCROLL ES_SELECTIONBAR ES_NOOLEDRAGDROP
ES_EX_NOCALLOLEINIT ES_VERTICAL ES_NOIME ES_SELFIME SPLS_VERTICAL SPLS_FIXED
TVS_HASBUTTONS TVS_HASLINES TVS_LINESATROOT TVS_EDITLABELS TVS_DISABLEDRAGDROP
TVS_SHOWSELALWAYS TVS_RTLREADING TVS_NOTOOLTIPS TVS_CHECKBOXES TVS_TRACKSELECT
TVS_SINGLEEXPAND TVS_INFOTIP TVS_FULLROWSELECT TVS_NOSCROLL TVS_NONEVENHEIGHT
TVS_NOHSCROLL CBS_DROPDOWNLIST CBS_OWNERDRAWFIXED CBS_OWNERDRAWVARIABLE
CBS_HASSTRINGS
""".split())

EXSTYLE_NAMES = set("""
WS_EX_ACCEPTFILES WS_EX_APPWINDOW WS_EX_CLIENTEDGE WS_EX_COMPOSITED
WS_EX_CONTEXTHELP WS_EX_CONTROLPARENT WS_EX_DLGMODALFRAME WS_EX_LAYERED
WS_EX_LAYOUTRTL WS_EX_LEFT WS_EX_LEFTSCROLLBAR WS_EX_LTRREADING WS_EX_MDICHILD
WS_EX_NOACTIVATE WS_EX_NOINHERITLAYOUT WS_EX_NOPARENTNOTIFY
WS_EX_OVERLAPPEDWINDOW WS_EX_PALETTEWINDOW WS_EX_RIGHT WS_EX_RIGHTSCROLLBAR
WS_EX_RTLREADING WS_EX_STATICEDGE WS_EX_TOOLWINDOW WS_EX_TOPMOST
WS_EX_TRANSPARENT WS_EX_WINDOWEDGE
""".split())

# ALIGN_NONE is missing on purpose: the factory stores it with a trailing
# blank, so the word itself matches nothing (it still means 0).
ALIGN_NAMES = set("""
ALIGN_PARENT_LEFT ALIGN_PARENT_TOP ALIGN_PARENT_RIGHT ALIGN_PARENT_BOTTOM
ALIGN_PARENT_WIDTH ALIGN_PARENT_HEIGHT ALIGN_PARENT_VCENTER ALIGN_PARENT_HCENTER
ALIGN_PRE_LEFT ALIGN_PRE_TOP ALIGN_PRE_RIGHT ALIGN_PRE_BOTTOM OFFSET_PRE_LEFT
OFFSET_PRE_RIGHT OFFSET_PRE_TOP OFFSET_PRE_BOTTOM
""".split())

# Window types that draw text with their skin font.
TEXT_CLASSES = {"BUTTON", "ICONBUTTON", "STATIC", "EDIT", "EDT", "COMMONEDIT",
                "COMBOBOX", "BUTTONWEIGHT", "BUTTONFONT", "TREEVIEW"}
TEXT_ATTRIBUTES = ("text", "char", "iconchar", "watertext")

SECTIONS = {"Infoes": 1, "Colors": 2, "Fonts": 3, "Images": 4, "Text": 5, "Windows": 6}
KINDS = {"color": 2, "font": 3, "image": 4, "text": 5, "window": 6}

# Families a LOGFONT may name: faces every Windows system has (with the file
# Wine maps them to here). "MS Sans Serif" is missing on purpose: it can be a
# bitmap face that GDI+ cannot draw.
SYSTEM_FACES = {
    "arial": "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "times new roman": "/usr/share/fonts/truetype/liberation/LiberationSerif-Regular.ttf",
    "courier new": "/usr/share/fonts/truetype/liberation/LiberationMono-Regular.ttf",
}

# The fonts the program always uses for IconChar glyphs and for drawing the
# single-line edit's characters.
ICON_FAMILY = "FontAwesome"
EDIT_FAMILY, EDIT_HEIGHT = "Liberation Sans", 11

IMAGE_LIMITS = {"dragger": (None, 12), "morecolors": (24, 24)}

SOURCE_SKIP = {"tests", "bench", "vendor", "build", "tools", "skin", "docs", ".git"}
SOURCE_SUFFIXES = {".cpp", ".cc", ".h", ".hpp", ".inl"}


# Every rule the lint reports, with what it guards against.
RULES = {
    "xml-invalid": "an XML entry that xmllint rejects: the toolkit stops at start-up",
    "xml-root": "an entry whose top element is not Skin: nothing of it is read",
    "include-missing": "an Include naming no entry: the toolkit stops at start-up",
    "include-cycle": "an Include that leads back to an entry being loaded",
    "text-missing": "a Text, ToolTip, Url, WaterText or LIST item key missing under 1033",
    "text-2052-only": "a 2052 key missing under 1033",
    "text-2052-glyph": "a 2052 text with a character its font lacks, or without a font of its own",
    "lookup-missing": "a name in lookups.txt missing from the skin",
    "source-key-missing": "a literal key of FindElement, FindFont or a menu resource missing from the skin",
    "logfont-file": "a font used as a LOGFONT that names a file or no system family",
    "ref-color": "a ClBkGround, ClText, ClBand or ClTextSel naming no Color",
    "ref-font": "a Font naming no Font",
    "ref-image": "a Pic naming no Image",
    "class-unknown": "a Class outside the factory's table, or a child without Class",
    "style-name": "a Style name outside the table",
    "exstyle-name": "an ExStyle name outside the table",
    "align-name": "an Align name outside the table",
    "window-attrs": "a window element with fewer than two attributes: the loader drops it",
    "sibling-repeat": "sibling window tags that repeat outside a LIST: only the first is bound",
    "child-style": "a child's Style without WS_CHILD (a Style replaces the default entirely)",
    "char-separator": "a comma and a blank inside Char or IconChar: the codes end there",
    "char-glyph": "a Char or IconChar code point missing from the window's font",
    "font-missing": "a text window with no Font of its own or inherited",
    "font-inherited": "a text window that inherits a file font, which reaches it only as a LOGFONT",
    "font-file": "a font File missing from resource\\",
    "font-name": "a font file whose family or full name differs from FamilyName",
    "edit-font": "an EDIT without its own file font Liberation Sans at Height 11",
    "image-missing": "an Image whose File is not an entry of the package",
    "image-decode": "an Image entry that PIL cannot decode",
    "image-size": "an Image that breaks its size limit",
    "combo-list": "a combo box LIST without Class LISTBOX, or items without CommandIDs 1 to n in order",
}


def get_int(value):
    """The toolkit's integer rule for window attribute values."""
    if len(value) >= 3 and value[1] in "xX":
        total, weight = 0, 1
        for ch in reversed(value):
            if ch in "xX":
                break
            digit = int(ch, 16) if ch in "0123456789abcdefABCDEF" else 0
            total = (total + digit * weight) & 0xFFFFFFFF
            weight = (weight * 16) & 0xFFFFFFFF
        return total - (1 << 32) if total & 0x80000000 else total
    m = re.match(r"\s*([+-]?\d+)", value)
    return int(m.group(1)) if m else 0


def split_codes(value):
    """Char and IconChar tokens as the toolkit splits them (up to the first empty one)."""
    tokens = []
    for token in re.split(r",|;|:|\s+", value):
        if token == "":
            break
        tokens.append(token)
    return tokens


def name_tokens(expression):
    return [t for t in expression.replace(" ", "").split("|") if t]


class Finding:
    def __init__(self, rule, where, what):
        assert rule in RULES, rule
        self.rule, self.where, self.what = rule, where, what

    def __str__(self):
        return f"{self.rule}: {self.where}: {self.what}"

    __repr__ = __str__


class Element:
    def __init__(self, kind, node, lang, entry):
        self.kind, self.node, self.lang, self.entry = kind, node, lang, entry
        self.name = node.tag


class Skin:
    """The package read as the toolkit reads it."""

    def __init__(self, package, findings):
        self.findings = findings
        self.zip = zipfile.ZipFile(package)
        self.entries = {info.filename.lower(): info.filename for info in self.zip.infolist()}
        self.store = {kind: {} for kind in range(1, 7)}
        self.loaded = set()
        self.load("Skin.xml", [])

    def report(self, rule, where, what):
        self.findings.append(Finding(rule, where, what))

    def read_entry(self, name):
        real = self.entries.get(name.lower())
        return None if real is None else self.zip.read(real)

    def load(self, entry, stack):
        data = self.read_entry(entry) if entry else None
        if data is None:
            where = stack[-1] if stack else "package"
            self.report("include-missing", where, f"Include names no entry: {entry!r}")
            return
        key = entry.lower()
        if key in [s.lower() for s in stack]:
            self.report("include-cycle", stack[-1], f"Include of {entry} loops: {' -> '.join(stack + [entry])}")
            return
        if key in self.loaded:
            return
        self.loaded.add(key)
        xmllint = subprocess.run(["xmllint", "--noout", "-"], input=data, capture_output=True)
        if xmllint.returncode != 0:
            self.report("xml-invalid", entry, xmllint.stderr.decode("utf-8", "replace").strip().splitlines()[0])
            return
        try:
            root = ET.fromstring(data)
        except ET.ParseError as error:
            self.report("xml-invalid", entry, f"does not parse: {error}")
            return
        if root.tag != "Skin":
            self.report("xml-root", entry, f"top element is {root.tag}, not Skin: nothing of it is read")
            return
        for section in root:
            if section.tag.lower() == "include":
                self.load(section.get("File", ""), stack + [entry])
                continue
            kind = SECTIONS.get(section.tag)
            if not kind:
                continue
            if kind == 1:
                self.add(kind, section, 1033, entry)
            for child in section:
                if child.tag == "Language":
                    lang = child.get("Id", "1033")
                    lang = int(lang) if lang.isdigit() else 1033
                    for item in child:
                        self.add(kind, item, lang, entry)
                else:
                    self.add(kind, child, 1033, entry)

    def add(self, kind, node, lang, entry):
        self.store[kind].setdefault(lang, []).append(Element(kind, node, lang, entry))

    def find(self, kind, name, lang=1033):
        """First element of that kind and name (any letter case) in one language."""
        for element in self.store[kind].get(lang, []):
            if len(element.name) == len(name) and element.name.lower() == name.lower():
                return element
        return None

    def all(self, kind):
        for lang in sorted(self.store[kind]):
            yield from self.store[kind][lang]


class FontFiles:
    """Font files of the resource folder, opened once each."""

    def __init__(self, resource):
        self.resource = pathlib.Path(resource) if resource else None
        self.faces = {}

    def face(self, path):
        import freetype
        path = str(path)
        if path not in self.faces:
            try:
                self.faces[path] = freetype.Face(path)
            except Exception:  # noqa: BLE001 - any failure means no usable font
                self.faces[path] = None
        return self.faces[path]

    def resource_face(self, file):
        if self.resource is None:
            return None
        path = self.resource / file
        return self.face(path) if path.is_file() else None

    @staticmethod
    def names(face):
        """(family, full name) as the Windows name table gives them."""
        family = full = None
        for i in range(face.sfnt_name_count):
            n = face.get_sfnt_name(i)
            if n.name_id not in (1, 4):
                continue
            if n.platform_id == 3:
                text = n.string.decode("utf-16-be", "replace")
            elif n.platform_id == 1 and (family is None or full is None):
                text = n.string.decode("latin-1")
            else:
                continue
            if n.name_id == 1 and (family is None or n.platform_id == 3):
                family = text
            if n.name_id == 4 and (full is None or n.platform_id == 3):
                full = text
        return family, full

    @staticmethod
    def has(face, code):
        return face.get_char_index(code) != 0


class Lint:
    def __init__(self, package, resource=None, lookups=None, sources=None):
        self.findings = []
        self.skin = Skin(package, self.findings)
        self.fonts = FontFiles(resource)
        self.lookups = lookups
        self.sources = sources

    def report(self, rule, where, what):
        self.findings.append(Finding(rule, where, what))

    def run(self):
        self.check_fonts()
        self.check_images()
        self.check_texts()
        for window in self.skin.all(6):
            self.check_window(window.node, f"{window.entry}:{window.name}", None, top=True)
        self.check_top_level_repeats()
        if self.lookups:
            self.check_lookups()
        if self.sources:
            self.check_sources()
        return self.findings

    # -- fonts --------------------------------------------------------------
    def font_face(self, element):
        file = element.node.get("File", "")
        return self.fonts.resource_face(file) if file else None

    def check_fonts(self):
        for font in self.skin.all(3):
            file = font.node.get("File", "")
            if not file:
                continue
            where = f"{font.entry}:{font.name}"
            face = self.fonts.resource_face(file)
            if face is None:
                self.report("font-file", where, f"File {file} is not a font in resource\\")
                continue
            wanted = font.node.get("FamilyName", "Arial")
            family, full = FontFiles.names(face)
            if family != wanted or full != wanted:
                self.report("font-name", where,
                            f"{file} has family {family!r} and full name {full!r}, FamilyName says {wanted!r}")

    def family_face(self, family):
        """The file that the private collection serves a family from, or None."""
        for font in self.skin.all(3):
            if font.node.get("File") and font.node.get("FamilyName", "Arial").lower() == family.lower():
                face = self.font_face(font)
                if face is not None:
                    return face
        return None

    def glyph_face(self, font):
        """The face a window's text is drawn with: its file, else the system face."""
        if font.node.get("File"):
            return self.font_face(font)
        family = font.node.get("FamilyName", "Arial")
        face = self.family_face(family)
        if face is None and family.lower() in SYSTEM_FACES:
            face = self.fonts.face(SYSTEM_FACES[family.lower()])
        return face

    # -- images -------------------------------------------------------------
    def check_images(self):
        from PIL import Image
        for image in self.skin.all(4):
            where = f"{image.entry}:{image.name}"
            file = image.node.get("File", "")
            data = self.skin.read_entry(file) if file else None
            if data is None:
                self.report("image-missing", where, f"File {file!r} is not an entry of the package")
                continue
            try:
                with Image.open(io.BytesIO(data)) as picture:
                    picture.load()
                    width, height = picture.size
            except Exception as error:  # noqa: BLE001 - anything PIL refuses
                self.report("image-decode", where, f"{file} does not decode: {error}")
                continue
            max_w, max_h = IMAGE_LIMITS.get(image.name.lower(), (None, None))
            if (max_w and width > max_w) or (max_h and height > max_h):
                self.report("image-size", where,
                            f"{file} is {width} x {height}, at most {max_w or 'any'} x {max_h} fits")

    # -- texts --------------------------------------------------------------
    def has_text(self, key):
        return self.skin.find(5, key) is not None

    def check_texts(self):
        texts_2052 = self.skin.store[5].get(2052, [])
        for text in texts_2052:
            if not self.has_text(text.name):
                self.report("text-2052-only", f"{text.entry}:{text.name}",
                            "key exists under 2052 but not under 1033")
        if not texts_2052:
            return
        faces = [(f.name, self.font_face(f)) for f in self.skin.store[3].get(2052, []) if f.node.get("File")]
        faces = [(name, face) for name, face in faces if face is not None]
        if not faces:
            self.report("text-2052-glyph", "Language 2052", "texts without a font file of their own")
            return
        for text in texts_2052:
            for ch in text.node.get("Text", ""):
                if ord(ch) < 0x20:
                    continue
                for name, face in faces:
                    if not FontFiles.has(face, ord(ch)):
                        self.report("text-2052-glyph", f"{text.entry}:{text.name}",
                                    f"U+{ord(ch):04X} is not in the 2052 font {name}")

    # -- windows ------------------------------------------------------------
    def check_window(self, node, where, inherited, top=False, in_list=False):
        attrs = {k.lower(): v for k, v in node.attrib.items()}
        if len(node.attrib) < 2:
            self.report("window-attrs", where, "a window element needs at least two attributes"
                        + (" (stored empty)" if top else " (dropped with its children)"))
            return
        cls = attrs.get("class")
        if cls is not None and cls.upper() not in FACTORY_CLASSES:
            self.report("class-unknown", where, f"Class {cls} is not in the factory's table")
        elif cls is None and not top and not in_list:
            self.report("class-unknown", where, "no Class: the factory creates nothing for it")
        for attr, names, rule in (("style", STYLE_NAMES, "style-name"),
                                  ("exstyle", EXSTYLE_NAMES, "exstyle-name"),
                                  ("align", ALIGN_NAMES, "align-name")):
            for token in name_tokens(attrs.get(attr, "")):
                if token not in names:
                    self.report(rule, where, f"{attr} name {token} is not in the table (adds nothing)")
        if "style" in attrs and not top and not in_list:
            tokens = name_tokens(attrs["style"])
            if "WS_CHILD" not in tokens and "WS_CHILDWINDOW" not in tokens:
                self.report("child-style", where, "Style replaces WS_CHILD|WS_VISIBLE and lacks WS_CHILD")
        for attr in ("text", "tooltip", "url", "watertext"):
            if attr in attrs and not self.has_text(attrs[attr]):
                self.report("text-missing", where, f"{attr} key {attrs[attr]!r} is not under 1033")
        for attr in ("clbkground", "cltext", "clband", "cltextsel"):
            if attr in attrs and self.skin.find(2, attrs[attr]) is None:
                self.report("ref-color", where, f"{attr} {attrs[attr]!r} names no Color")
        own_font = None
        if "font" in attrs:
            own_font = self.skin.find(3, attrs["font"])
            if own_font is None:
                self.report("ref-font", where, f"Font {attrs['font']!r} names no Font")
        if "pic" in attrs and self.skin.find(4, attrs["pic"]) is None:
            self.report("ref-image", where, f"Pic {attrs['pic']!r} names no Image")

        font = own_font or inherited
        is_text = (any(a in attrs for a in TEXT_ATTRIBUTES) or (cls or "").upper() in TEXT_CLASSES
                   or (top and node.tag.lower() == "list"))
        if is_text and not in_list:
            if font is None:
                self.report("font-missing", where, "draws text but has no Font of its own or inherited")
            elif own_font is None and font.node.get("File"):
                self.report("font-inherited", where,
                            f"inherits the file font {font.name} as a LOGFONT only: give it its own Font")
        if (cls or "").upper() == "EDIT":
            ok = (own_font is not None and own_font.node.get("File")
                  and own_font.node.get("FamilyName") == EDIT_FAMILY
                  and get_int(own_font.node.get("Height", "18")) == EDIT_HEIGHT)
            if not ok:
                self.report("edit-font", where,
                            f"an EDIT needs its own file font {EDIT_FAMILY} at Height {EDIT_HEIGHT}")
        self.check_codes(node, attrs, where, font)

        if (cls or "").upper() == "COMBOBOX":
            lists = [c for c in node if c.tag.lower() == "list"]
            if lists and (lists[0].get("Class") or "").upper() != "LISTBOX":
                self.report("combo-list", where, "its LIST needs Class LISTBOX, or the factory makes a control of it")
        if node.tag.lower() == "list" and len(node.attrib) >= 2:
            for index, item in enumerate(node, 1):
                item_where = f"{where}/{item.tag}"
                if len(item.attrib) < 2:
                    continue  # reported below as window-attrs
                if "Text" not in item.attrib:
                    self.report("combo-list", item_where, "a LIST item needs a Text key")
                command = get_int(item.get("CommandID", "0"))
                if command != index:
                    self.report("combo-list", item_where,
                                f"LIST item {index} has CommandID {command}: the drop-down shows it twice or not at all")

        is_list = node.tag.lower() == "list"
        seen = {}
        for child in node:
            key = child.tag.lower()
            if not is_list and key in seen:
                self.report("sibling-repeat", f"{where}/{child.tag}",
                            f"repeats the sibling {seen[key]}: only the first is ever bound")
            seen.setdefault(key, child.tag)
            self.check_window(child, f"{where}/{child.tag}", font, in_list=is_list)

    def check_codes(self, node, attrs, where, font):
        for attr in ("char", "iconchar"):
            if attr not in attrs:
                continue
            value = attrs[attr]
            if ", " in value:
                self.report("char-separator", where,
                            f"{attr} has ', ': the blank after the comma ends the codes there")
            codes = []
            for token in split_codes(value):
                digits = token[2:] if token[:2].lower() == "0x" else token
                if not digits or any(c not in "0123456789abcdefABCDEF" for c in digits):
                    self.report("char-glyph", where, f"{attr} token {token!r} is not hexadecimal (gives code 0)")
                    continue
                codes.append(int(digits, 16) & 0xFFFF)
            if attr == "char" and attrs.get("class", "").upper() == "GEOMETRYBUTTON":
                # A geometry button's Char is the number of the shape it draws.
                for code in codes:
                    if code > 8:
                        self.report("char-glyph", where, f"{attr} {code} is not a geometry shape (0 to 8)")
                continue
            if attr == "iconchar":
                face, label = self.family_face(ICON_FAMILY), ICON_FAMILY
            elif font is None:
                continue  # reported as font-missing
            else:
                face, label = self.glyph_face(font), font.name
            if face is None:
                self.report("char-glyph", where, f"{attr}: no font file to check the glyphs of {label} against")
                continue
            for code in codes:
                if not FontFiles.has(face, code):
                    self.report("char-glyph", where, f"{attr} U+{code:04X} is not in the font {label}")

    def check_top_level_repeats(self):
        for lang, windows in self.skin.store[6].items():
            seen = {}
            for window in windows:
                key = window.name.lower()
                if key in seen:
                    self.report("sibling-repeat", f"{window.entry}:{window.name}",
                                f"repeats the top-level window {seen[key]} of language {lang}: never found")
                seen.setdefault(key, window.name)

    # -- names the program looks up -----------------------------------------
    def check_lookups(self):
        for number, line in enumerate(pathlib.Path(self.lookups).read_text().splitlines(), 1):
            line = line.split("#", 1)[0].split()
            if not line:
                continue
            where = f"{self.lookups}:{number}"
            kind, name, flag = line[0], line[1] if len(line) > 1 else "", line[2:]
            self.check_lookup(kind, name, flag, where, "lookup-missing")

    def check_lookup(self, kind, name, flag, where, rule):
        if kind == "family":
            if self.family_face(name) is None:
                self.report(rule, where, f"no Font with a File serves the family {name}")
            return
        if kind not in KINDS:
            self.report(rule, where, f"unknown kind {kind!r}")
            return
        element = self.skin.find(KINDS[kind], name)
        if element is None:
            self.report(rule, where, f"{kind} {name!r} is not in the skin (under 1033)")
            return
        if kind == "font" and "logfont" in flag:
            family = element.node.get("FamilyName", "Arial")
            if element.node.get("File") or family.lower() not in SYSTEM_FACES:
                self.report("logfont-file", where,
                            f"font {name} is used as a LOGFONT: it needs a system family and no File, not {family!r}")

    def check_sources(self):
        root = pathlib.Path(self.sources)
        call = re.compile(r'FindElement\s*\(\s*L"((?:[^"\\]|\\.)*)"\s*,\s*([^),]+)\)')
        family = re.compile(r'FindFont\s*\(\s*L"((?:[^"\\]|\\.)*)"')
        menu_item = re.compile(r'^\s*(?:POPUP|MENUITEM)\s+L?"((?:[^"\\]|""|\\.)*)"')
        for folder, dirs, files in os.walk(root):
            rel = pathlib.Path(folder).relative_to(root)
            if rel.parts and rel.parts[0] in SOURCE_SKIP:
                dirs[:] = []
                continue
            dirs.sort()
            for file in sorted(files):
                path = pathlib.Path(folder) / file
                suffix = path.suffix.lower()
                if suffix not in SOURCE_SUFFIXES and suffix != ".rc":
                    continue
                text = path.read_text(encoding="utf-8", errors="replace")
                if suffix == ".rc":
                    self.check_menus(text, path.relative_to(root), menu_item)
                    continue
                for m in call.finditer(text):
                    kind = self.kind_of(m.group(2).strip())
                    if kind:
                        where = f"{path.relative_to(root)}:{text.count(chr(10), 0, m.start()) + 1}"
                        self.check_lookup(kind, m.group(1), [], where, "source-key-missing")
                for m in family.finditer(text):
                    where = f"{path.relative_to(root)}:{text.count(chr(10), 0, m.start()) + 1}"
                    self.check_lookup("family", m.group(1), [], where, "source-key-missing")

    def check_menus(self, text, rel, menu_item):
        depth, in_menu = 0, False
        for number, line in enumerate(text.splitlines(), 1):
            words = line.split()
            if len(words) >= 2 and words[1] in ("MENU", "MENUEX"):
                in_menu, depth = True, 0
                continue
            if not in_menu:
                continue
            if words and words[0] in ("BEGIN", "{"):
                depth += 1
            elif words and words[0] in ("END", "}"):
                depth -= 1
                in_menu = depth > 0
            m = menu_item.match(line)
            if m and m.group(1):
                self.check_lookup("text", m.group(1), [], f"{rel}:{number}", "source-key-missing")

    @staticmethod
    def kind_of(argument):
        table = {"2": "color", "3": "font", "4": "image", "5": "text", "6": "window"}
        if argument in table:
            return table[argument]
        for word, kind in (("Color", "color"), ("Font", "font"), ("Image", "image"),
                           ("Text", "text"), ("Window", "window")):
            if word in argument:
                return kind
        return None


def main(argv=None):
    ap = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    ap.add_argument("package")
    ap.add_argument("--resource", help="the resource folder beside the package (default: beside it)")
    ap.add_argument("--lookups", help="skin/lookups.txt: names the program looks up")
    ap.add_argument("--sources", help="top of the source tree, scanned for literal keys")
    args = ap.parse_args(argv)
    resource = args.resource or str(pathlib.Path(args.package).parent / "resource")
    findings = Lint(args.package, resource, args.lookups, args.sources).run()
    for finding in findings:
        print(finding)
    if findings:
        print(f"skin_lint: {len(findings)} findings in {args.package}", file=sys.stderr)
        return 1
    print(f"skin_lint: {args.package} is clean")
    return 0


if __name__ == "__main__":
    sys.exit(main())
