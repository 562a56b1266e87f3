"""Writes the skin package the control tests read: controls/controls.zip
with a Skin.xml and an 8 x 6 pure blue PNG drawn by PIL."""
import io
import os
import shutil
import zipfile

from PIL import Image


def main():
    folder = 'controls'
    shutil.rmtree(folder, ignore_errors=True)
    os.makedirs(folder)
    png = io.BytesIO()
    Image.new('RGB', (8, 6), (0, 0, 255)).save(png, 'PNG')
    with zipfile.ZipFile(os.path.join(folder, 'controls.zip'), 'w') as z:
        z.writestr('Skin.xml', '<?xml version="1.0" encoding="utf-8"?>\n<Skin/>\n')
        z.writestr('images/blue.png', png.getvalue())


if __name__ == '__main__':
    main()
