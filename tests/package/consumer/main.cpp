// An outside project: only installed headers and libraries.
#include <qz/PpsObject>
#include <qz/system/Global>
#include <qz/system/phone/Call>

#include <cstdio>

int main()
{
    const QByteArray text = qz::PpsObject::encode({{QStringLiteral("k"), QStringLiteral("v")}});
    std::printf("libqzsystem %s: %s", qz::system::libraryVersion(), text.constData());
    // A header of a subfolder, and a value type exported from it.
    const bool phone =
        qz::system::phone::Call().callState() == qz::system::phone::CallState::Unknown;
    return text == "k::v\n" && phone ? 0 : 1;
}
