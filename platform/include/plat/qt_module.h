// libplat_qt.so, the one module that links Qt: loaded on demand with dlopen
// from the folder of libplat.so (then by the plain name), never linked.
#ifndef PLAT_QT_MODULE_H_
#define PLAT_QT_MODULE_H_

#include <string>

namespace plat {

// The module's entry point `symbol`, or null with `error` set when the module
// or the symbol is missing. The module stays loaded for the process.
void* FindQtModuleSymbol(const char* symbol, std::string* error);

}  // namespace plat

#endif  // PLAT_QT_MODULE_H_
