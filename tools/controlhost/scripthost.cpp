// The standard headers are C++20, which moc cannot read; it needs only the Qt ones.
#ifndef Q_MOC_RUN
#include "tools/controlhost/scripthost.h"

#include "base/consoletext.h"
#include "com/host.h"
#include "ui/application.h"
#include "ui/windowimage.h"

#include <cmath>
#include <cstdio>
#endif

#include <QJSEngine>
#include <QObject>
#include <QRegularExpression>

namespace zem {

namespace {

constexpr const char* kBridgeFile = "controlhost:bridge";

VARIANT ToVariant(const QJSValue& value)
{
    if (value.isBool())
        return VARIANT::Bool(value.toBool());
    if (value.isNumber()) {
        const double number = value.toNumber();
        if (number == std::trunc(number) && std::fabs(number) <= 2147483647.0)
            return VARIANT::I4(static_cast<int32_t>(number));
        return VARIANT::R8(number);
    }
    if (value.isUndefined() || value.isNull())
        return VARIANT{};
    return VARIANT::Bstr(value.toString().toLatin1().toStdString());
}

QJSValue ToScript(const VARIANT& value)
{
    switch (value.vt) {
    case VT_I2:
        return QJSValue(value.iVal);
    case VT_I4:
        return QJSValue(value.lVal);
    case VT_BOOL:
        return QJSValue(value.boolVal != 0);
    case VT_R8:
        return QJSValue(value.dblVal);
    case VT_BSTR:
        return QJSValue(QString::fromLatin1(value.bstrVal.data(), qsizetype(value.bstrVal.size())));
    default:
        return QJSValue(QJSValue::UndefinedValue);
    }
}

// One control as the scripts reach it: member kinds come from its type information, calls
// go through IDispatch by name, and failures become script errors naming the member.
class DispatchBridge : public QObject {
    Q_OBJECT
public:
    DispatchBridge(QJSEngine* engine, IDispatch* object, QString id)
        : engine_(engine), object_(ComPtr<IDispatch>::Share(object)), id_(std::move(id))
    {
        if (SUCCEEDED(object->GetTypeInfo(0, 0, info_.Out())) && info_)
            table_ = &info_->Table();
    }

    // "method", "property", or "" for a name the control does not have.
    Q_INVOKABLE QString kind(const QString& name) const
    {
        const DispatchMember* member = table_ ? FindMember(*table_, name.toLatin1().toStdString()) : nullptr;
        if (!member)
            return table_ ? QString() : QStringLiteral("method");
        return member->kind == MemberKind::Method ? QStringLiteral("method") : QStringLiteral("property");
    }

    Q_INVOKABLE QJSValue call(const QString& name, const QJSValue& args)
    {
        std::vector<VARIANT> values;
        const int count = args.property("length").toInt();
        for (int i = 0; i < count; ++i)
            values.push_back(ToVariant(args.property(quint32(i))));
        return Invoke(name, DISPATCH_METHOD, std::move(values));
    }

    Q_INVOKABLE QJSValue get(const QString& name) { return Invoke(name, DISPATCH_PROPERTYGET, {}); }

    Q_INVOKABLE void put(const QString& name, const QJSValue& value)
    {
        Invoke(name, DISPATCH_PROPERTYPUT, {ToVariant(value)});
    }

    Q_PROPERTY(QString id MEMBER id_ CONSTANT)

private:
    QJSValue Invoke(const QString& name, WORD flags, std::vector<VARIANT> args)
    {
        VARIANT result;
        std::string error;
        const HRESULT hr = DispatchCall(object_.Get(), name.toLatin1().toStdString(), flags,
                                        std::move(args), &result, &error);
        if (FAILED(hr)) {
            engine_->throwError(QJSValue::GenericError,
                                id_ + QStringLiteral(": ") + QString::fromLatin1(error.c_str()));
            return {};
        }
        return ToScript(result);
    }

    QJSEngine* engine_;
    ComPtr<IDispatch> object_;
    ComPtr<ITypeInfo> info_;
    const DispatchInterface* table_ = nullptr;
    QString id_;
};

// The host functions for pages and tests.
class HostFunctions : public QObject {
    Q_OBJECT
public:
    HostFunctions(QJSEngine* engine, HWND window) : engine_(engine), window_(window) {}

    Q_INVOKABLE void wait(int ms)
    {
        PumpMessagesUntil([] { return false; }, ms);
    }

    // A condition that throws ends the wait and passes its error on to the script.
    Q_INVOKABLE bool waitFor(QJSValue condition, int ms)
    {
        QJSValue failure;
        const bool met = PumpMessagesUntil(
            [&] {
                const QJSValue result = condition.call();
                if (result.isError())
                    failure = result;
                return failure.isError() || result.toBool();
            },
            ms);
        if (failure.isError()) {
            engine_->throwError(failure);
            return false;
        }
        return met;
    }

    Q_INVOKABLE void screenshot(const QString& file)
    {
        if (!SaveWindowImage(window_, file.toLocal8Bit().toStdString()))
            engine_->throwError(QStringLiteral("cannot write the screenshot \"%1\"").arg(file));
    }

    Q_INVOKABLE void print(const QString& text)
    {
        // The pages' texts are Latin-1 at heart; the terminal gets them in its own encoding.
        std::printf("%s\n", (ConsoleIsUtf8() ? text.toUtf8() : text.toLatin1()).constData());
        std::fflush(stdout);
    }

    Q_INVOKABLE void quit(int code)
    {
        quit_ = true;
        code_ = code;
        engine_->setInterrupted(true);
    }

    bool quitRequested() const { return quit_; }
    int exitCode() const { return code_; }

private:
    QJSEngine* engine_;
    HWND window_;
    bool quit_ = false;
    int code_ = 0;
};

// Script objects whose member lookups go to a bridge; names the control does not have are
// errors, except those JavaScript itself asks of any object.
const char* const kProxyMaker = R"((function (bridge) {
    const quiet = ["toString", "valueOf", "toJSON", "then", "constructor"];
    return new Proxy({}, {
        get(target, name) {
            if (typeof name !== "string") return undefined;
            const kind = bridge.kind(name);
            if (kind === "method") return function (...args) { return bridge.call(name, args); };
            if (kind === "property") return bridge.get(name);
            if (quiet.includes(name)) return undefined;
            throw new TypeError(bridge.id + " has no member \"" + name + "\"");
        },
        set(target, name, value) { bridge.put(name, value); return true; }
    });
}))";

// The innermost place in the page's own code that the error came from: the engine's stack
// names our bridge first when a control refused a call.
bool PageLocation(const QJSValue& error, QString* file, int* line)
{
    static const QRegularExpression frame(QStringLiteral("@(?:file://|file:)?(.*):(\\d+)$"));
    const QStringList frames = error.property(QStringLiteral("stack")).toString().split(QLatin1Char('\n'));
    for (const QString& text : frames) {
        const QRegularExpressionMatch match = frame.match(text);
        if (match.hasMatch() && match.captured(1) != QLatin1String(kBridgeFile)) {
            *file = match.captured(1);
            *line = match.captured(2).toInt();
            return true;
        }
    }
    return false;
}

}  // namespace

struct ScriptHost::State {
    explicit State(HWND window) : host(&engine, window)
    {
        engine.installExtensions(QJSEngine::ConsoleExtension);
        QJSEngine::setObjectOwnership(&host, QJSEngine::CppOwnership);
        engine.globalObject().setProperty(QStringLiteral("host"), engine.newQObject(&host));
        proxyMaker = engine.evaluate(QString::fromLatin1(kProxyMaker), QString::fromLatin1(kBridgeFile));
        document = engine.newObject();
        elements = engine.newObject();
        document.setProperty(QStringLiteral("getElementById"),
                             engine.evaluate(QStringLiteral("(function (elements) { return function (id) "
                                                            "{ return id in elements ? elements[id] : null; }; })"),
                                             QString::fromLatin1(kBridgeFile))
                                 .call({elements}));
        engine.globalObject().setProperty(QStringLiteral("document"), document);
        engine.globalObject().setProperty(QStringLiteral("window"), engine.globalObject());
    }
    QJSEngine engine;
    HostFunctions host;
    QJSValue proxyMaker;
    QJSValue document;
    QJSValue elements;
    std::vector<std::unique_ptr<DispatchBridge>> bridges;  // owned here, not by the collector
};

ScriptHost::ScriptHost(HWND window) : state_(std::make_unique<State>(window)) {}

ScriptHost::~ScriptHost() = default;

void ScriptHost::AddObject(const std::string& id, IDispatch* object)
{
    const QString name = QString::fromLatin1(id.c_str());
    QJSValue value(QJSValue::NullValue);
    if (object) {
        state_->bridges.push_back(std::make_unique<DispatchBridge>(&state_->engine, object, name));
        QJSEngine::setObjectOwnership(state_->bridges.back().get(), QJSEngine::CppOwnership);
        value = state_->proxyMaker.call({state_->engine.newQObject(state_->bridges.back().get())});
    }
    if (id.empty())
        return;
    state_->engine.globalObject().setProperty(name, value);
    state_->elements.setProperty(name, value);
}

bool ScriptHost::Run(const std::string& text, const std::string& fileName, int firstLine,
                     std::string* error)
{
    const QJSValue result = state_->engine.evaluate(
        QString::fromLatin1(text.data(), qsizetype(text.size())), QString::fromLocal8Bit(fileName.c_str()),
        firstLine);
    if (state_->host.quitRequested())
        return true;
    if (!result.isError())
        return true;
    QString file = QString::fromLocal8Bit(fileName.c_str());
    int line = result.property(QStringLiteral("lineNumber")).toInt();
    PageLocation(result, &file, &line);
    // Calling a member the control lacks reports the lookup's error inside a "not a
    // function" text; the lookup's own words are the clear ones.
    static const QRegularExpression unknown(QStringLiteral("(\\S+ has no member \"[^\"]*\")"));
    QString message = result.toString();
    if (const QRegularExpressionMatch match = unknown.match(message); match.hasMatch())
        message = QStringLiteral("TypeError: ") + match.captured(1);
    if (error)
        *error = (file + QLatin1Char(':') + QString::number(line) + QStringLiteral(": ") + message)
                     .toLocal8Bit()
                     .toStdString();
    return false;
}

bool ScriptHost::QuitRequested() const
{
    return state_->host.quitRequested();
}

int ScriptHost::ExitCode() const
{
    return state_->host.exitCode();
}

}  // namespace zem

#include "scripthost.moc"
