#include "pagestore/AtomicSave.h"

#include <QIODevice>
#include <QString>
#include <memory>

#include "stores/Error.h"

namespace qlx {

namespace {

// A write-only device over an AtomicFile. A failed write shows as a short write to `fill`;
// the failure itself is kept and thrown after `fill` in case `fill` did not notice.
class AtomicFileDevice : public QIODevice {
public:
    explicit AtomicFileDevice(AtomicFile& file)
        : m_file(file) {
        open(QIODevice::WriteOnly);
    }
    void rethrowFailure() const {
        if (m_failure)
            throw *m_failure;
    }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override {
        if (m_failure)
            return -1;
        try {
            m_file.write(data, static_cast<std::size_t>(size));
        } catch (const Error& e) {
            m_failure = std::make_unique<Error>(e);
            return -1;
        }
        return size;
    }

private:
    AtomicFile& m_file;
    std::unique_ptr<Error> m_failure;
};

} // namespace

void AtomicSave::write(const QString& path, const std::function<void(QIODevice&)>& fill,
                       SaveCalls calls) {
    AtomicFile file(path.toStdString(), std::move(calls));
    AtomicFileDevice device(file);
    fill(device); // if it throws, the file is dropped and with it the temporary file
    device.rethrowFailure();
    file.commit();
}

} // namespace qlx
