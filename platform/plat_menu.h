// plat_menu.h -- menus: menu resources, menu bars and drop-downs
#pragma once

#include "platform/plat_types.h"

// ---------------------------------------------------------------------------------------------
// Menus
// ---------------------------------------------------------------------------------------------
#define MF_INSERT 0x00000000L
#define MF_CHANGE 0x00000080L
#define MF_APPEND 0x00000100L
#define MF_DELETE 0x00000200L
#define MF_REMOVE 0x00001000L
#define MF_BYCOMMAND 0x00000000L
#define MF_BYPOSITION 0x00000400L
#define MF_SEPARATOR 0x00000800L
#define MF_ENABLED 0x00000000L
#define MF_GRAYED 0x00000001L
#define MF_DISABLED 0x00000002L
#define MF_UNCHECKED 0x00000000L
#define MF_CHECKED 0x00000008L
#define MF_USECHECKBITMAPS 0x00000200L
#define MF_STRING 0x00000000L
#define MF_BITMAP 0x00000004L
#define MF_OWNERDRAW 0x00000100L
#define MF_POPUP 0x00000010L
#define MF_MENUBARBREAK 0x00000020L
#define MF_MENUBREAK 0x00000040L
#define MF_UNHILITE 0x00000000L
#define MF_HILITE 0x00000080L
#define MF_DEFAULT 0x00001000L
#define MF_SYSMENU 0x00002000L
#define MF_HELP 0x00004000L
#define MF_RIGHTJUSTIFY 0x00004000L
#define MF_MOUSESELECT 0x00008000L
#define MF_END 0x00000080L

// ---------------------------------------------------------------------------------------------
// Resources. There is no resource compiler: a module registers its menus, dialog templates and
// icons by name before use. Names may be strings or MAKEINTRESOURCE(id).
// ---------------------------------------------------------------------------------------------

// One entry of a menu resource, in order. depth 0 entries are the menu bar's drop-downs (their
// items follow with depth 1, nested drop-downs at depth 2...). An ampersand in `text` marks the
// access key; flags take MF_SEPARATOR, MF_GRAYED, MF_DISABLED, MF_CHECKED.
typedef struct MenuResourceItem {
    int depth;
    LPCSTR text;
    UINT id;
    UINT flags;
} MenuResourceItem;
// Registers (or replaces) the menu resource `name` for LoadMenu and for window classes naming
// it in lpszMenuName. The items are copied. Returns TRUE.
BOOL RegisterMenuResource(LPCSTR name, const MenuResourceItem *items, int count);

// ---------------------------------------------------------------------------------------------
// Menus
// ---------------------------------------------------------------------------------------------
HMENU LoadMenu(HINSTANCE instance, LPCSTR name);
HMENU CreateMenu(void);
HMENU CreatePopupMenu(void);
BOOL DestroyMenu(HMENU menu);
BOOL AppendMenu(HMENU menu, UINT flags, UINT_PTR id_or_popup, LPCSTR text);
HMENU GetMenu(HWND window);
BOOL SetMenu(HWND window, HMENU menu);
HMENU GetSubMenu(HMENU menu, int position);
int GetMenuItemCount(HMENU menu);
UINT GetMenuItemID(HMENU menu, int position);
int GetMenuString(HMENU menu, UINT item, LPSTR text, int size, UINT flags);
// Both return the item's previous state (MF_GRAYED|MF_DISABLED, MF_CHECKED), -1 when no item.
BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags);
DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags);
UINT GetMenuState(HMENU menu, UINT item, UINT flags);
BOOL DrawMenuBar(HWND window);
