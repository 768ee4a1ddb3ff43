#pragma once
// Where tests that show cache pages in the embedded browser run: a working
// directory of their own with "files", and the default profile reaching
// only the loopback address; both undone at the end.
#include "LoopbackOnly.h"
#include "WorkingDir.h"

#include <QWebEngineProfile>

class PreviewWorkingDir : public WorkingDir {
public:
    PreviewWorkingDir() { QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(&interceptor_); }
    ~PreviewWorkingDir() { QWebEngineProfile::defaultProfile()->setUrlRequestInterceptor(nullptr); }

private:
    LoopbackOnly interceptor_;
};
