// The program's pictures, drawn in code: the application icon, the images of
// the toolbar and menus, and the splash picture.
#pragma once
#include <QIcon>
#include <QPixmap>

// Images of the toolbar and menu image list, by index: 0 open, 1 print
// preview, 2 print, 3 find, 4 copy, 5 help.
enum ToolImage { imgOpen = 0, imgPreview = 1, imgPrint = 2, imgFind = 3, imgCopy = 4, imgHelp = 5 };
QIcon toolImage(int index);

QIcon applicationIcon();

// 482 x 362: a book with the program's name and version.
QPixmap splashPicture();
