// Undoes Windows header macros that collide with function names of the base
// layer (CopyFile, DeleteFile ...). Included by the headers that declare such
// names; include <windows.h> before them. No include guard by design: it may
// be needed again after a later <windows.h>.

#undef CopyFile
#undef CreateDirectory
#undef DeleteFile
#undef ReplaceFile
