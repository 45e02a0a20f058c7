// Resource numbers shared by pixferry.rc and the code.
#pragma once

#define IDI_PIXFERRY 1
#define IDR_BACKGROUND 101
