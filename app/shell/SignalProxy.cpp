#include "shell/SignalProxy.h"

namespace {
// Made while static objects are initialised, so it exists before main runs;
// never destroyed, as windows may still disconnect from it at exit.
[[maybe_unused]] SignalProxy *const g_proxy = SignalProxy::instance();
}

SignalProxy *SignalProxy::instance()
{
    static SignalProxy *proxy = [] {
        qRegisterMetaType<TaskItem>("TaskItem");
        return new SignalProxy;
    }();
    return proxy;
}
