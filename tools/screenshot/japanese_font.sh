# Sourced by the screenshot scripts.
# Japanese texts (the format page's "にほんご", names on the card) need a
# font that has them; without one they show as boxes.
if [ -z "$(fc-list :lang=ja 2>/dev/null)" ]; then
    sudo=""; [ "$(id -u)" -eq 0 ] || sudo=sudo
    $sudo apt-get install -y -q fonts-noto-cjk >/dev/null
fi
