// Identifiers of the program's resources, shared by the .rc file and the code.
#pragma once

#define IDI_CORVANE 1  // the program icon; the lowest id is the one Explorer shows
#define IDR_LOGO 100   // the logo picture, a JPEG as RCDATA
