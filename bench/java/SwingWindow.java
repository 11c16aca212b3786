package bench;

import javax.swing.*;
import java.awt.BorderLayout;

/**
 * Shows a small window with the usual controls, then prints the wall-clock
 * time at which it was on screen (microseconds since the epoch) and ends.
 */
public class SwingWindow {
    public static void main(String[] args) throws Exception {
        SwingUtilities.invokeAndWait(() -> {
            JFrame frame = new JFrame("Start-up");
            JPanel controls = new JPanel();
            controls.add(new JLabel("Name"));
            controls.add(new JTextField(12));
            controls.add(new JComboBox<>(new String[] {"one", "two"}));
            controls.add(new JCheckBox("Remember"));
            controls.add(new JButton("OK"));
            frame.add(controls, BorderLayout.NORTH);
            frame.add(new JScrollPane(new JTable(20, 4)), BorderLayout.CENTER);
            JMenuBar menus = new JMenuBar();
            JMenu file = new JMenu("File");
            file.add(new JMenuItem("Open"));
            menus.add(file);
            frame.setJMenuBar(menus);
            frame.pack();
            frame.setVisible(true);
        });
        java.time.Instant now = java.time.Instant.now();
        System.out.println(now.getEpochSecond() * 1_000_000L + now.getNano() / 1_000);
        System.exit(0);
    }
}
