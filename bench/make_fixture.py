"""Makes a benchmark folder: N empty image files, one of each of the file
list's fourteen extensions in turn (in mixed case), and N other files.
Usage: make_fixture.py FOLDER N"""
import os
import sys

IMAGE_EXTENSIONS = ["gif", "JPG", "pcx", "Bmp", "wmf", "ico", "scm", "PNG", "cms", "tif", "pcd", "dxf", "tga", "eps"]
OTHER_EXTENSIONS = ["txt", "doc", "jpeg", "html", "c"]

folder, count = sys.argv[1], int(sys.argv[2])
os.makedirs(folder, exist_ok=True)
for i in range(count):
    for name in (f"Image {i:06d}.{IMAGE_EXTENSIONS[i % 14]}", f"other {i:06d}.{OTHER_EXTENSIONS[i % 5]}"):
        with open(os.path.join(folder, name), "w"):
            pass
