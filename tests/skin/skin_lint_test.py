#!/usr/bin/python3
"""The skin lint on a table of small broken skins, and the package builder.

A small skin that uses every kind of element passes clean; each case breaks it
in one way and the lint must report that rule. The package builder must give
the same bytes for the same sources.
"""
import pathlib
import shutil
import sys
import tempfile
import unittest
import zipfile

ROOT = pathlib.Path(__file__).resolve().parents[2]
sys.dont_write_bytecode = True
sys.path.insert(0, str(ROOT / "skin" / "tools"))
import draw_images  # noqa: E402
import make_package  # noqa: E402
import skin_lint  # noqa: E402

FONTS = {
    "fontawesome-webfont.ttf": "/usr/share/fonts/truetype/font-awesome/fontawesome-webfont.ttf",
    "LiberationSans-Regular.ttf": "/usr/share/fonts/truetype/liberation/LiberationSans-Regular.ttf",
    "DejaVuSans.ttf": "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
}

SKIN = """<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Infoes Title="Test" Version="1"/>
  <Colors>
    <Back Red="240" Green="240" Blue="240"/>
    <Ink Red="20" Green="20" Blue="20"/>
    <EditSel Red="180" Green="210" Blue="250"/>
    <Black/>
  </Colors>
  <Fonts>
    <Small FamilyName="Arial" Height="12"/>
    <Normal FamilyName="Arial" Height="14"/>
    <Edit FamilyName="Liberation Sans" File="LiberationSans-Regular.ttf" Height="11"/>
    <Icon FamilyName="FontAwesome" File="fontawesome-webfont.ttf" Height="16"/>
  </Fonts>
  <Images>
    <Dragger File="Dragger.png"/>
    <MoreColors File="MoreColors.png"/>
    <Video File="Video.png"/>
  </Images>
  <Include File="Text1033.xml"/>
  <Windows>
    <MainFrame Class="WINDOW" ClBkGround="Back" ClText="Ink" Font="Normal">
      <Tool Class="WINDOW" CommandID="1" Align="ALIGN_PARENT_LEFT|ALIGN_PARENT_HEIGHT" Width="40">
        <Open Class="ICONBUTTON" CommandID="1" Font="Icon" Char="f07c" ToolTip="Open"/>
        <Save Class="BUTTON" CommandID="2" IconChar="f0c7;f0c5" Text="Save" Style="WS_CHILD|WS_VISIBLE|BS_CHECKBOX"/>
      </Tool>
      <Process Class="WINDOW" CommandID="2" Align="OFFSET_PRE_RIGHT|ALIGN_PARENT_WIDTH|ALIGN_PARENT_HEIGHT">
        <Label Class="STATIC" CommandID="3" Text="Hello" Pic="Video"/>
        <Name Class="EDIT" CommandID="4" Font="Edit" WaterText="Hello" ExStyle="WS_EX_CLIENTEDGE"/>
        <Unit Class="COMBOBOX" CommandID="5" ClText="Ink">
          <LIST Class="LISTBOX" ClBkGround="Back">
            <Item Text="Hello" CommandID="1"/>
            <Item Text="Save" CommandID="2"/>
          </LIST>
        </Unit>
      </Process>
    </MainFrame>
    <LIST Class="LISTBOX" Font="Normal"/>
  </Windows>
</Skin>
"""

TEXTS = """<?xml version="1.0" encoding="utf-8"?>
<Skin>
  <Text>
    <Language Id="1033">
      <Hello Text="Hello"/>
      <Open Text="Open"/>
      <Save Text="Save"/>
    </Language>
  </Text>
</Skin>
"""

LOOKUPS = """# kinds the program looks up
text Hello
color EditSel
color Black
font Small logfont
image Dragger
image MoreColors
window MainFrame
family FontAwesome
"""

SOURCE = """// the program looks texts up by literal keys
static const wchar_t* Caption() { return Text(GetSkinUi()->FindElement(L"Hello", 5)); }
static void* Sel() { return GetSkinUi()->FindElement(L"EditSel", 2); }
static void* Glyphs() { return GetSkinUi()->FindFont(L"FontAwesome", 10); }
"""

MENU = """128 MENU
BEGIN
    POPUP "Open"
    BEGIN
        MENUITEM "Save",                        57603
        MENUITEM SEPARATOR
    END
END
"""


def replace(entry, old, new):
    def change(files):
        assert old in files[entry], f"{old!r} is not in {entry}"
        files[entry] = files[entry].replace(old, new, 1)
    return change


def picture(entry, size):
    def change(files):
        from PIL import Image
        files[entry] = draw_images.png_bytes(Image.new("RGBA", size, (255, 0, 0, 255)))
    return change


def add_2052(texts, fonts='<Fonts><Language Id="2052"><Normal FamilyName="DejaVu Sans" '
                         'File="DejaVuSans.ttf" Height="14"/></Language></Fonts>'):
    def change(files):
        files["Skin.xml"] = files["Skin.xml"].replace(
            "<Include", f"{fonts}<Text><Language Id=\"2052\">{texts}</Language></Text><Include", 1)
    return change


# (name, change, rule the lint must report)
CASES = [
    ("not well-formed XML", replace("Text1033.xml", "</Language>", "</Languag>"), "xml-invalid"),
    ("start and end tags differ", replace("Text1033.xml", "<Skin>", "<Skim>"), "xml-invalid"),
    ("root named otherwise", lambda f: f.update({"Text1033.xml": f["Text1033.xml"].replace("Skin>", "Skins>")}),
     "xml-root"),
    ("Include of a missing entry", replace("Skin.xml", 'File="Text1033.xml"', 'File="Text1034.xml"'),
     "include-missing"),
    ("Include without File", replace("Skin.xml", 'File="Text1033.xml"', 'Name="Text1033.xml"'),
     "include-missing"),
    ("Include cycle", replace("Text1033.xml", "<Text>", '<include File="skin.XML"/><Text>'), "include-cycle"),
    ("window Text key missing", replace("Skin.xml", 'Text="Hello" Pic', 'Text="Helo" Pic'), "text-missing"),
    ("ToolTip key missing", replace("Skin.xml", 'ToolTip="Open"', 'ToolTip="OpenTip"'), "text-missing"),
    ("Url key missing", replace("Skin.xml", 'ToolTip="Open"', 'ToolTip="Open" Url="Site"'), "text-missing"),
    ("WaterText key missing", replace("Skin.xml", 'WaterText="Hello"', 'WaterText="Hint"'), "text-missing"),
    ("LIST item key missing", replace("Skin.xml", '<Item Text="Save"', '<Item Text="Saved"'), "text-missing"),
    ("2052 key missing under 1033", add_2052('<Hello Text="Hi"/><Bye Text="Bye"/>'), "text-2052-only"),
    ("2052 text its font lacks", add_2052('<Hello Text="\u4f60\u597d"/>'), "text-2052-glyph"),
    ("2052 texts without a font", add_2052('<Hello Text="Hi"/>', fonts=""), "text-2052-glyph"),
    ("literal key in the sources missing", lambda f: f.update({"src/app/frame.cpp": SOURCE.replace('L"Hello"', 'L"Hallo"')}),
     "source-key-missing"),
    ("literal colour in the sources missing", lambda f: f.update({"src/app/frame.cpp": SOURCE.replace('L"EditSel"', 'L"EditSelection"')}),
     "source-key-missing"),
    ("FindFont family the skin does not load", lambda f: f.update({"src/app/frame.cpp": SOURCE.replace('L"FontAwesome"', 'L"Awesome"')}),
     "source-key-missing"),
    ("menu key missing", lambda f: f.update({"src/app/app.rc": MENU.replace('"Save"', '"MFileSave"')}),
     "source-key-missing"),
    ("looked-up name missing", lambda f: f.update({"lookups.txt": LOOKUPS + "text Goodbye\n"}), "lookup-missing"),
    ("looked-up image missing", replace("Skin.xml", "<Video File", "<Movie File"), "ref-image"),
    ("LOGFONT font with a file", replace("Skin.xml", '<Small FamilyName="Arial"',
                                         '<Small FamilyName="Liberation Sans" File="LiberationSans-Regular.ttf"'),
     "logfont-file"),
    ("ClBkGround names nothing", replace("Skin.xml", 'ClBkGround="Back" ClText', 'ClBkGround="Backdrop" ClText'),
     "ref-color"),
    ("ClText names nothing", replace("Skin.xml", 'ClText="Ink">', 'ClText="Inky">'), "ref-color"),
    ("ClBand names nothing", replace("Skin.xml", '<LIST Class="LISTBOX" ClBkGround="Back">',
                                     '<LIST Class="LISTBOX" ClBkGround="Back" ClBand="Band">'), "ref-color"),
    ("ClTextSel names nothing", replace("Skin.xml", '<LIST Class="LISTBOX" ClBkGround="Back">',
                                        '<LIST Class="LISTBOX" ClBkGround="Back" ClTextSel="Sel">'), "ref-color"),
    ("Font names nothing", replace("Skin.xml", 'Font="Icon" Char', 'Font="Icons" Char'), "ref-font"),
    ("Pic names nothing", replace("Skin.xml", 'Pic="Video"', 'Pic="Movie"'), "ref-image"),
    ("Class outside the factory's table", replace("Skin.xml", 'Class="STATIC"', 'Class="LABEL"'), "class-unknown"),
    ("child without Class", replace("Skin.xml", '<Label Class="STATIC" ', '<Label '), "class-unknown"),
    ("Style name outside the table", replace("Skin.xml", "BS_CHECKBOX", "BS_CHECKBOXES"), "style-name"),
    ("Style name in lower case", replace("Skin.xml", "WS_CHILD|WS_VISIBLE|BS", "ws_child|WS_VISIBLE|BS"),
     "style-name"),
    ("ExStyle name outside the table", replace("Skin.xml", "WS_EX_CLIENTEDGE", "WS_EX_SUNKEN"), "exstyle-name"),
    ("Align name outside the table", replace("Skin.xml", "ALIGN_PARENT_LEFT|", "ALIGN_LEFT|"), "align-name"),
    ("window element with one attribute", replace("Skin.xml", '<Item Text="Save" CommandID="2"/>', '<Item Text="Save"/>'),
     "window-attrs"),
    ("top-level window with one attribute", replace("Skin.xml", '<LIST Class="LISTBOX" Font="Normal"/>', '<LIST Font="Normal"/>'),
     "window-attrs"),
    ("sibling tags that repeat", replace("Skin.xml", "<Name Class=", "<Label Class="), "sibling-repeat"),
    ("sibling tags that repeat in other case", replace("Skin.xml", "<Name Class=", "<LABEL Class="), "sibling-repeat"),
    ("top-level window that repeats", replace("Skin.xml", '<LIST Class="LISTBOX" Font="Normal"/>',
                                              '<LIST Class="LISTBOX" Font="Normal"/><List Class="LISTBOX" Font="Normal"/>'),
     "sibling-repeat"),
    ("child Style without WS_CHILD", replace("Skin.xml", "WS_CHILD|WS_VISIBLE|BS", "WS_VISIBLE|BS"), "child-style"),
    ("comma and blank in Char", replace("Skin.xml", 'Char="f07c"', 'Char="f07c, f07b"'), "char-separator"),
    ("comma and blank in IconChar", replace("Skin.xml", 'IconChar="f0c7;f0c5"', 'IconChar="f0c7, f0c5"'),
     "char-separator"),
    ("Char code point missing from the font", replace("Skin.xml", 'Char="f07c"', 'Char="f07c;e000"'), "char-glyph"),
    ("IconChar code point missing from FontAwesome", replace("Skin.xml", 'IconChar="f0c7;f0c5"', 'IconChar="f0c7;f8ff"'),
     "char-glyph"),
    ("Char in a system font that lacks it", replace("Skin.xml", 'Text="Hello" Pic', 'Char="f07c" Pic'), "char-glyph"),
    ("Char token that is not hexadecimal", replace("Skin.xml", 'Char="f07c"', 'Char="folder"'), "char-glyph"),
    ("text window without a font", replace("Skin.xml", 'ClText="Ink" Font="Normal">', 'ClText="Ink">'),
     "font-missing"),
    ("drop-down list without a font", replace("Skin.xml", '<LIST Class="LISTBOX" Font="Normal"/>',
                                              '<LIST Class="LISTBOX" ClBkGround="Back"/>'), "font-missing"),
    ("text window inheriting a file font", replace("Skin.xml", 'Width="40">', 'Width="40" Font="Icon">'),
     "font-inherited"),
    ("font File missing from resource", replace("Skin.xml", 'File="fontawesome-webfont.ttf"', 'File="fa.ttf"'),
     "font-file"),
    ("FamilyName differs from the file's names", replace("Skin.xml", 'FamilyName="FontAwesome"', 'FamilyName="Font Awesome"'),
     "font-name"),
    ("image PIL cannot decode", lambda f: f.update({"Video.png": b"not a picture"}), "image-decode"),
    ("image entry missing", lambda f: f.pop("Video.png"), "image-missing"),
    ("Dragger taller than 12", picture("Dragger.png", (11, 13)), "image-size"),
    ("MoreColors wider than 24", picture("MoreColors.png", (25, 20)), "image-size"),
    ("combo LIST without Class LISTBOX", replace("Skin.xml", '<LIST Class="LISTBOX" ClBkGround="Back">',
                                                 '<LIST Class="WINDOW" ClBkGround="Back">'), "combo-list"),
    ("LIST items out of order", replace("Skin.xml", '<Item Text="Save" CommandID="2"/>', '<Item Text="Save" CommandID="3"/>'),
     "combo-list"),
    ("EDIT with a system font", replace("Skin.xml", 'Font="Edit" WaterText', 'Font="Normal" WaterText'), "edit-font"),
    ("EDIT with the file font at another height", replace("Skin.xml", 'File="LiberationSans-Regular.ttf" Height="11"',
                                                           'File="LiberationSans-Regular.ttf" Height="14"'), "edit-font"),
]


def good_files():
    from PIL import Image
    return {
        "Skin.xml": SKIN,
        "Text1033.xml": TEXTS,
        "Dragger.png": draw_images.png_bytes(Image.new("RGBA", (11, 12))),
        "MoreColors.png": draw_images.png_bytes(Image.new("RGBA", (24, 24))),
        "Video.png": draw_images.png_bytes(Image.new("RGBA", (22, 16))),
        "lookups.txt": LOOKUPS,
        "src/app/frame.cpp": SOURCE,
        "src/app/app.rc": MENU,
        # Test programs look up keys that no product skin has: not scanned.
        "src/tests/toolkit/manager_test.cpp": 'FindElement(L"NoSuchKey", 5);',
    }


class SkinLintTest(unittest.TestCase):
    def setUp(self):
        self.dir = pathlib.Path(tempfile.mkdtemp(prefix="skin_lint_"))
        resource = self.dir / "resource"
        resource.mkdir()
        for name, source in FONTS.items():
            (resource / name).symlink_to(source)

    def tearDown(self):
        shutil.rmtree(self.dir)

    def lint(self, files):
        package = self.dir / "velin.dll"
        with zipfile.ZipFile(package, "w") as z:
            for name, data in files.items():
                if name.endswith((".xml", ".png")):
                    z.writestr(name, data)
        sources = self.dir / "src"
        shutil.rmtree(sources, ignore_errors=True)
        for name, data in files.items():
            if name.startswith("src/"):
                path = self.dir / name
                path.parent.mkdir(parents=True, exist_ok=True)
                path.write_text(data)
        (self.dir / "lookups.txt").write_text(files["lookups.txt"])
        return skin_lint.Lint(str(package), str(self.dir / "resource"),
                              str(self.dir / "lookups.txt"), str(sources)).run()

    def test_good_skin_is_clean(self):
        self.assertEqual([], self.lint(good_files()))

    def test_each_rule_fires_on_its_fixture(self):
        for name, change, rule in CASES:
            with self.subTest(name):
                files = good_files()
                change(files)
                findings = self.lint(files)
                self.assertIn(rule, [f.rule for f in findings], findings)

    def test_every_rule_has_a_fixture(self):
        self.assertEqual(set(skin_lint.RULES), {rule for _, _, rule in CASES})


class PackageTest(unittest.TestCase):
    def test_same_sources_give_the_same_bytes(self):
        with tempfile.TemporaryDirectory() as tmp:
            first, second = pathlib.Path(tmp, "a", "velin.dll"), pathlib.Path(tmp, "b", "velin.dll")
            for out in (first, second):
                make_package.write_atomically(
                    out, lambda f: make_package.write_zip(f, make_package.package_entries(ROOT / "skin")))
            self.assertEqual(first.read_bytes(), second.read_bytes())
            with zipfile.ZipFile(first) as z:
                infos = z.infolist()
                names = [i.filename for i in infos]
                self.assertEqual(sorted(names), names)
                self.assertIn("Skin.xml", names)
                for info in infos:
                    self.assertEqual((1980, 1, 1, 0, 0, 0), info.date_time)
                    self.assertTrue(info.filename.isascii())
                    self.assertEqual(0, info.flag_bits & 0x1, "no entry is encrypted")
                    self.assertIn(info.compress_type, (zipfile.ZIP_STORED, zipfile.ZIP_DEFLATED))
                self.assertIsNone(z.testzip())


if __name__ == "__main__":
    unittest.main(verbosity=2)
